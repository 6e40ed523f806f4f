#include "host/gap_buffer.hpp"

#include <gtest/gtest.h>

#include <ostream>

#include <random>
#include <string>
#include <vector>

namespace {

struct Op {
  enum Kind { Insert, Erase, Set } kind;
  std::size_t index;
  int value;
};

struct Script {
  std::string name;
  std::vector<Op> ops;
};

void PrintTo(const Script& value, std::ostream* out) { *out << value.name; }

void Apply(const Op& op, host::GapBuffer<int>& buffer, std::vector<int>& reference) {
  switch (op.kind) {
    case Op::Insert:
      buffer.insert(op.index, op.value);
      reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(op.index), op.value);
      break;
    case Op::Erase:
      buffer.erase(op.index);
      reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(op.index));
      break;
    case Op::Set:
      buffer[op.index] = op.value;
      reference[op.index] = op.value;
      break;
  }
}

class GapBufferScripts : public testing::TestWithParam<Script> {};

TEST_P(GapBufferScripts, MatchesAVector) {
  host::GapBuffer<int> buffer;
  std::vector<int> reference;
  for (const auto& op : GetParam().ops) {
    Apply(op, buffer, reference);
    ASSERT_EQ(buffer.size(), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) ASSERT_EQ(buffer[i], reference[i]) << "at " << i;
  }
  EXPECT_EQ(buffer.toVector(), reference);
}

INSTANTIATE_TEST_SUITE_P(
    Host, GapBufferScripts,
    testing::Values(
        Script{"AppendOnly", {{Op::Insert, 0, 1}, {Op::Insert, 1, 2}, {Op::Insert, 2, 3}}},
        Script{"FrontInserts", {{Op::Insert, 0, 1}, {Op::Insert, 0, 2}, {Op::Insert, 0, 3}, {Op::Insert, 0, 4}}},
        Script{"InsertAtOneLikeAGradientGrows",
               {{Op::Insert, 0, 10}, {Op::Insert, 1, 20}, {Op::Insert, 1, 1}, {Op::Insert, 1, 2}, {Op::Insert, 1, 3},
                {Op::Insert, 1, 4}, {Op::Insert, 1, 5}, {Op::Insert, 1, 6}, {Op::Insert, 1, 7}, {Op::Insert, 1, 8},
                {Op::Insert, 1, 9}}},
        Script{"GapMovesBackAndForth",
               {{Op::Insert, 0, 1}, {Op::Insert, 1, 2}, {Op::Insert, 2, 3}, {Op::Insert, 3, 4}, {Op::Insert, 0, 5},
                {Op::Insert, 5, 6}, {Op::Insert, 2, 7}, {Op::Erase, 0, 0}, {Op::Erase, 5, 0}, {Op::Set, 2, 99},
                {Op::Insert, 3, 8}}},
        Script{"EraseEverything",
               {{Op::Insert, 0, 1}, {Op::Insert, 1, 2}, {Op::Insert, 2, 3}, {Op::Erase, 1, 0}, {Op::Erase, 0, 0},
                {Op::Erase, 0, 0}, {Op::Insert, 0, 4}}}),
    [](const testing::TestParamInfo<Script>& info) { return info.param.name; });

TEST(GapBuffer, RandomOperationsMatchAVector) {
  std::mt19937 random(12345);
  host::GapBuffer<int> buffer;
  std::vector<int> reference;
  for (int step = 0; step < 5000; ++step) {
    const std::size_t size = reference.size();
    const int choice = static_cast<int>(random() % 10);
    Op op{Op::Insert, 0, step};
    if (choice < 6 || size == 0) {
      op = {Op::Insert, random() % (size + 1), step};
    } else if (choice < 8) {
      op = {Op::Erase, random() % size, 0};
    } else {
      op = {Op::Set, random() % size, -step};
    }
    Apply(op, buffer, reference);
  }
  EXPECT_EQ(buffer.toVector(), reference);
}

}  // namespace
