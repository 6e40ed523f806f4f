#include "cli/batch_wire.hpp"

#include <unistd.h>

#include <cerrno>

namespace evenhue::cli {

namespace {

void PutStops(Writer& w, const std::vector<DrawStop>& stops) {
  w.U64(stops.size());
  for (const DrawStop& s : stops) {
    w.F64(s.offset);
    for (double c : s.rgb) w.F64(c);
    w.F64(s.midpoint);
    w.F64(s.opacity);
  }
}

std::vector<DrawStop> GetStops(Reader& r) {
  std::vector<DrawStop> stops(r.Count(5 * 8));
  for (DrawStop& s : stops) {
    s.offset = r.F64();
    for (double& c : s.rgb) c = r.F64();
    s.midpoint = r.F64();
    s.opacity = r.F64();
  }
  return stops;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::string Encode(const Outcome& o) {
  Writer w;
  w.Byte(static_cast<std::uint8_t>(o.status));
  w.U64(o.gradients);
  w.U64(o.lines.size());
  for (const std::string& line : o.lines) w.Text(line);
  w.U64(o.results.size());
  for (const GradientResult& g : o.results) {
    for (const std::string* text : {&g.document, &g.element, &g.property, &g.sourceId, &g.newId, &g.leftAlone}) w.Text(*text);
    w.U64(g.stopsBefore);
    w.U64(g.stopsAfter);
    PutStops(w, g.sourceStops);
    PutStops(w, g.newStops);
  }
  return std::move(w.str());
}

std::optional<Outcome> Decode(std::string_view payload) {
  Reader r(payload);
  Outcome o;
  o.status = static_cast<Status>(r.Byte());
  o.gradients = r.U64();
  o.lines.resize(r.Count(8));
  for (std::string& line : o.lines) line = r.Text();
  o.results.resize(r.Count(6 * 8 + 2 * 8 + 2 * 8));
  for (GradientResult& g : o.results) {
    for (std::string* text : {&g.document, &g.element, &g.property, &g.sourceId, &g.newId, &g.leftAlone}) *text = r.Text();
    g.stopsBefore = r.U64();
    g.stopsAfter = r.U64();
    g.sourceStops = GetStops(r);
    g.newStops = GetStops(r);
  }
  if (!r.ok() || o.status > Status::Refused) return std::nullopt;
  return o;
}

bool Send(int fd, Kind kind, std::uint64_t index, std::string_view payload) {
  Writer w;
  w.Byte(static_cast<std::uint8_t>(kind));
  w.U64(index);
  w.U64(payload.size());
  w.str().append(payload);
  return WriteAll(fd, w.str());
}

std::string EncodeBatch(const BatchOptions& options, bool details) {
  Writer w;
  w.U64(options.inputs.size());
  for (std::size_t i = 0; i < options.inputs.size(); ++i) {
    w.Text(options.inputs[i]);
    w.Text(options.targets[i]);
  }
  w.U64(options.selectIds.size());
  for (const std::string& id : options.selectIds) w.Text(id);
  w.Text(options.pluginPath);
  w.Byte(options.inPlace);
  w.Byte(options.smoothEdges);
  w.Byte(details);
  return w.str();
}

bool DecodeBatch(std::string_view payload, BatchOptions& options, bool& details) {
  Reader r(payload);
  const std::uint64_t n = r.Count(16);
  for (std::uint64_t i = 0; i < n; ++i) {
    options.inputs.push_back(r.Text());
    options.targets.push_back(r.Text());
  }
  options.selectIds.resize(r.Count(8));
  for (std::string& id : options.selectIds) id = r.Text();
  options.pluginPath = r.Text();
  options.inPlace = r.Byte() != 0;
  options.smoothEdges = r.Byte() != 0;
  details = r.Byte() != 0;
  return r.ok();
}

}  // namespace evenhue::cli
