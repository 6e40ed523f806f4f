#include "tests/fault_sweep/scenario.hpp"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

namespace sweep {
namespace {

using hostapi::HostGradientStop;
using hostapi::HostPathStyle;
using host::CmykColor;
using host::GradientColor;
using host::MakeStop;
using host::RgbColor;

using hostapi::EntryAt;

const hostapi::LiveEffectEditContext kEditContext = reinterpret_cast<hostapi::LiveEffectEditContext>(0x5EED);

struct Documents {
  hostapi::ArtHandle roots[2] = {nullptr, nullptr};
  std::vector<Paint> paints;
  std::vector<std::pair<hostapi::ArtHandle, HostPathStyle>> styles;  // every art with a style, as built
};

hostapi::ArtHandle Styled(host::Document& d, Documents& docs, std::int16_t type, hostapi::ArtHandle parent,
                          std::optional<hostapi::HostColor> fill, std::optional<hostapi::HostColor> stroke) {
  const hostapi::ArtHandle art = d.newArt(type, parent);
  HostPathStyle style = host::MakePathStyle(fill, stroke);
  // Bytes the plug-in must carry through untouched.
  for (std::size_t i = 0; i < sizeof style.strokeAttributes; ++i) {
    style.strokeAttributes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  style.fillAttributes[0] = 0x5A;
  d.setPathStyle(art, style);
  docs.styles.emplace_back(art, style);
  return art;
}

void NotePaint(host::Document& d, Documents& docs, std::size_t document, hostapi::ArtHandle art, bool fill,
               hostapi::GradientHandle gradient) {
  Paint paint;
  paint.document = document;
  paint.art = art;
  paint.fill = fill;
  paint.source = gradient;
  paint.sourceStops = d.stops(gradient);
  paint.sourceType = *d.gradientType(gradient);
  docs.paints.push_back(std::move(paint));
}

hostapi::HostColor MarkedGradient(hostapi::GradientHandle gradient) {
  hostapi::HostColor color = GradientColor(gradient);
  for (std::size_t i = 0; i < sizeof color.body.gradient.hostFields; ++i) {
    color.body.gradient.hostFields[i] = static_cast<std::uint8_t>(0xC0 + i);
  }
  return color;
}

// The first document: fill and stroke gradients, CMYK stops, a radial
// gradient, a compound path, nested groups, one gradient shared by two art
// objects, a solid path and art of another kind. The second: one three-stop
// gradient with midpoints, rendered after the reload.
Documents Build(host::Document& d) {
  Documents docs;
  const std::vector<HostGradientStop> blueYellow = {MakeStop(0, RgbColor(0, 0, 1)), MakeStop(100, RgbColor(1, 1, 0))};
  const std::vector<HostGradientStop> cmykRadial = {MakeStop(0, CmykColor(1, 0, 0, 0), 5.0),
                                                    MakeStop(100, CmykColor(0, 1, 1, 0), 50.0, 0.5)};
  const std::vector<HostGradientStop> fading = {MakeStop(0, RgbColor(1, 0, 0), 95.0, 1.0),
                                                MakeStop(100, RgbColor(0, 1, 0), 50.0, 0.0)};
  const std::vector<HostGradientStop> threeStops = {MakeStop(0, RgbColor(0.1, 0.2, 0.3), 20.0),
                                                    MakeStop(40, CmykColor(0, 0, 0, 0.5), 80.0),
                                                    MakeStop(100, RgbColor(0.9, 0.8, 0.1))};

  const auto linear = d.newGradient(host::kGradientLinear, blueYellow);
  const auto radial = d.newGradient(host::kGradientRadial, cmykRadial);
  const auto shared = d.newGradient(host::kGradientLinear, fading);
  const auto later = d.newGradient(host::kGradientLinear, threeStops);

  docs.roots[0] = d.newGroup();
  const auto first = Styled(d, docs, hostapi::kArtPath, docs.roots[0], MarkedGradient(linear), MarkedGradient(radial));
  NotePaint(d, docs, 0, first, true, linear);
  NotePaint(d, docs, 0, first, false, radial);
  const auto compound = Styled(d, docs, hostapi::kArtCompoundPath, docs.roots[0], GradientColor(shared), std::nullopt);
  NotePaint(d, docs, 0, compound, true, shared);
  Styled(d, docs, hostapi::kArtPath, compound, GradientColor(linear), std::nullopt);  // member: not visited
  const auto outer = d.newGroup(docs.roots[0]);
  const auto inner = d.newGroup(outer);
  const auto nested = Styled(d, docs, hostapi::kArtPath, inner, GradientColor(shared), RgbColor(0.2, 0.4, 0.6));
  NotePaint(d, docs, 0, nested, true, shared);
  d.newOtherArt(inner);
  Styled(d, docs, hostapi::kArtPath, outer, RgbColor(0.5, 0.5, 0.5), std::nullopt);

  docs.roots[1] = d.newGroup();
  const auto second = Styled(d, docs, hostapi::kArtPath, docs.roots[1], GradientColor(later), std::nullopt);
  NotePaint(d, docs, 1, second, true, later);
  return docs;
}

hostapi::HostColor& PaintColor(HostPathStyle& style, bool fill) { return fill ? style.fillColor : style.strokeColor; }

// Compares each art's style with what it was built with: only the gradient
// handles of its gradient paints may differ. Fills in the outcome of every paint.
void Inspect(const host::Document& d, const Documents& docs, RunRecord& run) {
  run.outcomes.assign(docs.paints.size(), {});
  for (const auto& [art, built] : docs.styles) {
    const auto now = d.pathStyle(art);
    if (!now) {
      run.damage.push_back("an art object lost its style");
      continue;
    }
    HostPathStyle current = *now;
    HostPathStyle expected = built;
    for (std::size_t p = 0; p < docs.paints.size(); ++p) {
      const Paint& paint = docs.paints[p];
      if (paint.art != art) continue;
      const hostapi::GradientHandle handle = PaintColor(current, paint.fill).body.gradient.gradient;
      PaintColor(expected, paint.fill).body.gradient.gradient = handle;
      if (handle == paint.source) continue;
      PaintOutcome& outcome = run.outcomes[p];
      outcome.rewritten = true;
      if (!d.isGradient(handle)) {
        run.damage.push_back("a paint points to something that is not a gradient");
        continue;
      }
      outcome.stops = d.stops(handle);
      outcome.type = *d.gradientType(handle);
    }
    if (std::memcmp(&expected, &current, sizeof expected) != 0) {
      run.damage.push_back("an art object's style changed beyond its gradient handles");
    }
  }
  for (const Paint& paint : docs.paints) {
    const auto stops = d.stops(paint.source);
    if (stops.size() != paint.sourceStops.size() ||
        std::memcmp(stops.data(), paint.sourceStops.data(), stops.size() * sizeof(HostGradientStop)) != 0 ||
        d.gradientType(paint.source) != paint.sourceType) {
      run.damage.push_back("a source gradient was changed");
    }
  }
  // Every rewritten paint has a gradient of its own.
  for (std::size_t a = 0; a < run.outcomes.size(); ++a) {
    for (std::size_t b = a + 1; b < run.outcomes.size(); ++b) {
      if (!run.outcomes[a].rewritten || !run.outcomes[b].rewritten) continue;
      HostPathStyle sa = *d.pathStyle(docs.paints[a].art);
      HostPathStyle sb = *d.pathStyle(docs.paints[b].art);
      if (PaintColor(sa, docs.paints[a].fill).body.gradient.gradient ==
          PaintColor(sb, docs.paints[b].fill).body.gradient.gradient) {
        run.damage.push_back("two paints share one new gradient");
      }
    }
  }
}

std::optional<hostapi::NotifierHandle> NotifierOf(const host::Host& h, const char* type) {
  for (const auto& n : h.notifiers()) {
    if (n.type == type) return n.handle;
  }
  return std::nullopt;
}

}  // namespace

const char* StepName(Step step) {
  static constexpr const char* kNames[kStepCount] = {
      "start-up", "Edit Parameters", "first Go Live", "About chosen", "About updated", "application started",
      "application shutdown", "apply notification", "unload", "reload", "second Go Live", "shut-down"};
  return kNames[static_cast<std::size_t>(step)];
}

const std::vector<Operation>& Operations() {
  using namespace hostapi;
  static const std::vector<Operation> kOperations = {
      {"AcquireSuite", host::kBasicSuiteName, 0, false},
      {"ReleaseSuite", host::kBasicSuiteName, 1, false},
      {"AcquirePlugin", AccessSuite::kName, EntryAt(offsetof(AccessSuite, AcquirePlugin)), false},
      {"SetPluginName", PluginsSuite::kName, EntryAt(offsetof(PluginsSuite, SetPluginName)), false},
      {"AddNotifier", NotifierSuite::kName, EntryAt(offsetof(NotifierSuite, AddNotifier)), false},
      {"PushAppContext", ContextSuite::kName, EntryAt(offsetof(ContextSuite, PushAppContext)), false},
      {"PopAppContext", ContextSuite::kName, EntryAt(offsetof(ContextSuite, PopAppContext)), false},
      {"Cancel", UserSuite::kName, EntryAt(offsetof(UserSuite, Cancel)), true},
      {"MessageAlert", UserSuite::kName, EntryAt(offsetof(UserSuite, MessageAlert)), false},
      {"AddLiveEffect", LiveEffectSuite::kName, EntryAt(offsetof(LiveEffectSuite, AddLiveEffect)), false},
      {"AddLiveEffectMenuItem", LiveEffectSuite::kName, EntryAt(offsetof(LiveEffectSuite, AddLiveEffectMenuItem)),
       false},
      {"UpdateParameters", LiveEffectSuite::kName, EntryAt(offsetof(LiveEffectSuite, UpdateParameters)), false},
      {"AddMenuItem", MenuSuite::kName, EntryAt(offsetof(MenuSuite, AddMenuItem)), false},
      {"AddMenuGroupAsSubMenu", MenuSuite::kName, EntryAt(offsetof(MenuSuite, AddMenuGroupAsSubMenu)), false},
      {"GetMenuGroupName", MenuSuite::kName, EntryAt(offsetof(MenuSuite, GetMenuGroupName)), false},
      {"CountMenuGroups", MenuSuite::kName, EntryAt(offsetof(MenuSuite, CountMenuGroups)), false},
      {"GetNthMenuGroup", MenuSuite::kName, EntryAt(offsetof(MenuSuite, GetNthMenuGroup)), false},
      {"UpdateMenuItemAutomatically", MenuSuite::kName, EntryAt(offsetof(MenuSuite, UpdateMenuItemAutomatically)),
       false},
      {"GetUpdateFlags", MenuSuite::kName, EntryAt(offsetof(MenuSuite, GetUpdateFlags)), false},
      {"IsBrowserAvailable", UrlSuite::kName, EntryAt(offsetof(UrlSuite, IsBrowserAvailable)), true},
      {"OpenUrl", UrlSuite::kName, EntryAt(offsetof(UrlSuite, OpenUrl)), false},
      {"StringInitialize", UnicodeStringSuite::kName, EntryAt(offsetof(UnicodeStringSuite, Initialize)), false},
      {"StringDestroy", UnicodeStringSuite::kName, EntryAt(offsetof(UnicodeStringSuite, Destroy)), false},
      {"StringAppend", UnicodeStringSuite::kName, EntryAt(offsetof(UnicodeStringSuite, Append)), false},
      {"GetArtType", ArtSuite::kName, EntryAt(offsetof(ArtSuite, GetArtType)), false},
      {"GetArtFirstChild", ArtSuite::kName, EntryAt(offsetof(ArtSuite, GetArtFirstChild)), false},
      {"GetArtSibling", ArtSuite::kName, EntryAt(offsetof(ArtSuite, GetArtSibling)), false},
      {"GetPathStyle", PathStyleSuite::kName, EntryAt(offsetof(PathStyleSuite, GetPathStyle)), false},
      {"SetPathStyle", PathStyleSuite::kName, EntryAt(offsetof(PathStyleSuite, SetPathStyle)), false},
      {"NewGradient", GradientSuite::kName, EntryAt(offsetof(GradientSuite, NewGradient)), false},
      {"GetGradientType", GradientSuite::kName, EntryAt(offsetof(GradientSuite, GetGradientType)), false},
      {"SetGradientType", GradientSuite::kName, EntryAt(offsetof(GradientSuite, SetGradientType)), false},
      {"GetGradientStopCount", GradientSuite::kName, EntryAt(offsetof(GradientSuite, GetGradientStopCount)), false},
      {"GetNthGradientStop", GradientSuite::kName, EntryAt(offsetof(GradientSuite, GetNthGradientStop)), false},
      {"SetNthGradientStop", GradientSuite::kName, EntryAt(offsetof(GradientSuite, SetNthGradientStop)), false},
      {"InsertGradientStop", GradientSuite::kName, EntryAt(offsetof(GradientSuite, InsertGradientStop)), false},
      {"ConvertSampleColor", ColorConversionSuite::kName, EntryAt(offsetof(ColorConversionSuite, ConvertSampleColor)),
       false},
  };
  return kOperations;
}

std::vector<std::string> CatalogueNames() {
  std::vector<std::string> names;
  for (const auto& s : hostapi::kBasicSuites) names.emplace_back(s.name);
  for (const auto& s : hostapi::kMainSuites) names.emplace_back(s.name);
  return names;
}

RunRecord Run(const std::optional<Fault>& fault, bool record) {
  host::HostOptions options = host::HostOptions::ForPlugin(EVENHUE_PLUGIN_FILE);
  options.recordCalls = record;
  host::Host h(options);
  const Documents docs = Build(h.document());
  if (fault) {
    h.recorder().failOn(fault->operation.suite, fault->operation.entry, fault->nthCall, kFaultCode);
  }

  RunRecord run;
  run.paints = docs.paints;
  const auto& operations = Operations();
  run.callsAfterStep.assign(operations.size(), {});
  const auto note = [&](Step step, std::optional<hostapi::ResultCode> result) {
    const auto s = static_cast<std::size_t>(step);
    run.results[s] = result;
    for (std::size_t o = 0; o < operations.size(); ++o) {
      run.callsAfterStep[o][s] = h.recorder().callCount(operations[o].suite, operations[o].entry);
    }
  };

  note(Step::Startup, h.startup());
  const auto effect = h.findLiveEffect("BCBC_Evenhue");
  const auto aboutItem = h.findMenuItem("Evenhue...");
  run.effectRegistered = effect.has_value();
  run.aboutItemFound = aboutItem.has_value();
  const auto started = NotifierOf(h, "AI Application Started Notifier");
  const auto stopping = NotifierOf(h, "AI Application Shutdown Notifier");
  const auto apply = NotifierOf(h, "Apply LiveEffect Notifier");

  note(Step::EditParameters, effect ? std::optional(h.editParameters(effect->handle, kEditContext)) : std::nullopt);
  note(Step::GoLiveFirst, effect ? std::optional(h.goLive(effect->handle, docs.roots[0])) : std::nullopt);
  note(Step::AboutChoose, aboutItem ? std::optional(h.chooseMenuItem(aboutItem->handle)) : std::nullopt);
  note(Step::AboutUpdate, aboutItem ? std::optional(h.updateMenuItem(aboutItem->handle)) : std::nullopt);
  note(Step::StartedNotice, started ? std::optional(h.sendNotification(*started)) : std::nullopt);
  note(Step::ShutdownNotice, stopping ? std::optional(h.sendNotification(*stopping)) : std::nullopt);
  note(Step::ApplyNotice, apply ? std::optional(h.sendNotification(*apply)) : std::nullopt);
  note(Step::Unload, h.unload());
  note(Step::Reload, h.reload());
  note(Step::GoLiveSecond, effect ? std::optional(h.goLive(effect->handle, docs.roots[1])) : std::nullopt);
  note(Step::Shutdown, h.shutdown());

  Inspect(h.document(), docs, run);
  for (const auto& name : CatalogueNames()) run.held.push_back(h.held(name));
  run.misuses = h.misuses();
  run.liveStrings = h.liveStrings();
  run.openContexts = h.openContexts();
  if (record) {
    for (const auto& call : h.recorder().calls()) {
      if (call.suite == host::kBasicSuiteName && call.entry == 1 && !call.args.empty()) {
        run.releases.push_back(call.args[0]);
      }
      const std::pair<std::string, std::int32_t> key{call.suite, call.entry};
      bool seen = false;
      for (const auto& known : run.operationsCalled) seen = seen || known == key;
      if (!seen) run.operationsCalled.push_back(key);
    }
  }
  return run;
}

}  // namespace sweep
