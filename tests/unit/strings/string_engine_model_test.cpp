// Long random sequences of statements on heap, in-segment and fixed-length
// variables and all kinds of temporaries, checked after every operation against
// a plain model (the contents of every live string) and the engine's invariants.
// Small starting sizes force list packing, heap growth and compactions of both
// areas again and again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

enum class kind { heap, segment, fixed };

struct variable {
  str_desc* d;
  kind k;
  std::string value;
  std::unique_ptr<char[]> memory;  // fixed-length variables: the memory they lie over
};

struct temporary {
  str_desc* d;
  std::string value;
  std::shared_ptr<std::string> memory;  // fixed or read-only temporaries: the bytes they lie over
};

// An operand of an expression: a variable or a temporary of the current statement.
struct operand {
  bool is_temp;
  size_t index;
};

constexpr uint32_t segment_budget = 40000;  // live in-segment bytes kept below this
constexpr size_t max_length = 3000;

class engine_model {
 public:
  explicit engine_model(uint32_t seed) : rng_(seed) {}

  void run(int statements) {
    for (int i = 0; i < 5; ++i) vars_.push_back(make_variable(kind::heap));
    for (int i = 0; i < 4; ++i) vars_.push_back(make_variable(kind::segment));
    for (int i = 0; i < 3; ++i) vars_.push_back(make_variable(kind::fixed));
    const uint32_t mark = str_temp_mark();
    check("start");
    for (int s = 0; s < statements && !::testing::Test::HasFailure(); ++s) {
      const int operations = pick(1, 6);
      for (int o = 0; o < operations && !::testing::Test::HasFailure(); ++o) step();
      str_cleanup(mark);
      temps_.clear();
      EXPECT_EQ(string_heap.temps.count, mark);
      check("cleanup");
    }
  }

  int moved_heap = 0;     // variables whose characters a compaction moved
  int moved_segment = 0;

 private:
  std::mt19937 rng_;
  std::vector<variable> vars_;
  std::vector<temporary> temps_;
  size_t touched_ = SIZE_MAX;  // the variable the current operation assigned or recreated

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string random_bytes(size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(pick(0, 255));
    return s;
  }

  uint32_t segment_live_bytes() const {
    uint32_t total = 0;
    for (const variable& v : vars_)
      if (v.k == kind::segment) total += static_cast<uint32_t>(v.value.size());
    for (const temporary& t : temps_)
      if (t.d->in_segment) total += static_cast<uint32_t>(t.value.size());
    return total;
  }

  variable make_variable(kind k) {
    variable v{nullptr, k, "", nullptr};
    if (k == kind::heap) {
      v.d = str_new(0, false);
    } else if (k == kind::segment) {
      v.d = str_new_in_segment(0, false);
    } else {
      const size_t n = static_cast<size_t>(pick(0, 40));
      v.memory = std::make_unique<char[]>(n + 1);
      v.value = random_bytes(n);
      std::memcpy(v.memory.get(), v.value.data(), n);
      v.d = str_over_memory(v.memory.get(), static_cast<uint32_t>(n), false);
    }
    return v;
  }

  const std::string& value_of(const operand& o) const {
    return o.is_temp ? temps_[o.index].value : vars_[o.index].value;
  }
  str_desc* desc_of(const operand& o) const { return o.is_temp ? temps_[o.index].d : vars_[o.index].d; }

  operand any_operand() {
    if (!temps_.empty() && pick(0, 2) != 0) return {true, static_cast<size_t>(pick(0, static_cast<int>(temps_.size()) - 1))};
    return {false, static_cast<size_t>(pick(0, static_cast<int>(vars_.size()) - 1))};
  }

  void new_temporary() {
    temporary t;
    switch (pick(0, 5)) {
      case 0:
      case 1: {
        t.value = random_bytes(static_cast<size_t>(pick(0, pick(0, 1) ? 8 : 120)));
        t.d = temp_text(t.value);
        break;
      }
      case 2: {
        const uint32_t n = static_cast<uint32_t>(pick(0, 1500));
        if (segment_live_bytes() + n > segment_budget) return;
        t.value = random_bytes(n);
        t.d = str_new_in_segment(n, true);
        if (n) std::memcpy(t.d->chars, t.value.data(), n);
        break;
      }
      case 3: {
        t.memory = std::make_shared<std::string>(random_bytes(static_cast<size_t>(pick(0, 50))));
        t.value = *t.memory;
        t.d = str_from_text(t.memory->data(), static_cast<uint32_t>(t.memory->size()));
        break;
      }
      case 4: {
        t.memory = std::make_shared<std::string>(random_bytes(static_cast<size_t>(pick(0, 50))));
        t.value = *t.memory;
        t.d = str_over_memory(t.memory->data(), static_cast<uint32_t>(t.memory->size()), true);
        break;
      }
      default: {
        // A number's text, as PRINT and STR$ make them.
        t.value = random_bytes(static_cast<size_t>(pick(1, 20)));
        t.d = str_new(32, true);
        std::memcpy(t.d->chars, t.value.data(), t.value.size());
        t.d->len = static_cast<int32_t>(t.value.size());
        break;
      }
    }
    temps_.push_back(std::move(t));
    check("new temporary");
  }

  void drop_temp(str_desc* d) {
    temps_.erase(std::find_if(temps_.begin(), temps_.end(), [d](const temporary& t) { return t.d == d; }));
  }

  void concat() {
    const operand a = any_operand(), b = any_operand();
    const std::string va = value_of(a), vb = value_of(b);
    if (va.size() + vb.size() > max_length) return;
    str_desc* da = desc_of(a);
    str_desc* db = desc_of(b);
    str_desc* r = str_concat(da, db);
    if (vb.empty()) {
      ASSERT_EQ(r, da);
    } else if (va.empty()) {
      ASSERT_EQ(r, db);
    } else {
      ASSERT_NE(r, da);
      ASSERT_NE(r, db);
      if (a.is_temp) drop_temp(da);
      if (b.is_temp && db != da) drop_temp(db);
      temps_.push_back({r, va + vb, nullptr});
    }
    check("concat");
  }

  // A variable to assign to, marked as the one the operation touches.
  variable& pick_destination() {
    touched_ = static_cast<size_t>(pick(0, static_cast<int>(vars_.size()) - 1));
    return vars_[touched_];
  }

  void assign() {
    variable& dest = pick_destination();
    const operand src = any_operand();
    const std::string value = value_of(src);
    str_desc* s = desc_of(src);
    if (dest.k == kind::segment && !(src.is_temp && s->in_segment) &&
        segment_live_bytes() - dest.value.size() + value.size() > segment_budget)
      return;
    const bool takes_over = src.is_temp && !s->fixed && !s->read_only && s->in_segment == dest.d->in_segment &&
                            dest.k != kind::fixed;
    uint8_t* source_chars = s->chars;
    EXPECT_EQ(str_assign(dest.d, s), dest.d);
    if (dest.k == kind::fixed) {
      std::string fitted = value.substr(0, dest.value.size());
      fitted.resize(dest.value.size(), ' ');
      dest.value = fitted;
    } else {
      dest.value = value;
    }
    if (takes_over && s != dest.d) {
      EXPECT_EQ(dest.d->chars, source_chars) << "take-over copied";
    }
    if (src.is_temp && s != dest.d) drop_temp(s);
    check("assign");
  }

  // dest = dest + src through the append entry point.
  void append() {
    variable& dest = pick_destination();
    const operand src = any_operand();
    const std::string value = value_of(src);
    str_desc* s = desc_of(src);
    if (dest.value.size() + value.size() > max_length) return;
    if (dest.k == kind::segment && segment_live_bytes() + value.size() > segment_budget) return;
    EXPECT_EQ(str_append(dest.d, s), dest.d);
    if (dest.k != kind::fixed) dest.value += value;  // a fixed-length string keeps its length and bytes
    if (src.is_temp && s != dest.d) drop_temp(s);
    check("append");
  }

  void free_and_recreate() {
    const size_t i = static_cast<size_t>(pick(0, static_cast<int>(vars_.size()) - 1));
    const kind k = vars_[i].k;
    touched_ = i;
    str_free(vars_[i].d);
    vars_[i] = make_variable(k);
    check("free and recreate");
  }

  void free_temporary() {
    if (temps_.empty()) return;
    const size_t i = static_cast<size_t>(pick(0, static_cast<int>(temps_.size()) - 1));
    str_free(temps_[i].d);
    temps_.erase(temps_.begin() + static_cast<std::ptrdiff_t>(i));
    check("free temporary");
  }

  void compare() {
    const operand a = any_operand(), b = any_operand();
    const int expected = value_of(a).compare(value_of(b));  // unsigned byte order, then length
    EXPECT_EQ(str_compare(desc_of(a), desc_of(b)), expected < 0 ? -1 : (expected > 0 ? 1 : 0));
    EXPECT_EQ(str_equal(desc_of(a), desc_of(b)), expected == 0 ? -1 : 0);
    check("compare");
  }

  // A called routine: its own mark, a few temporaries, its own cleanup. The
  // caller's temporaries stay.
  void nested_routine() {
    const uint32_t inner = str_temp_mark();
    const size_t outer_count = temps_.size();
    const int n = pick(1, 4);
    for (int i = 0; i < n; ++i) new_temporary();
    if (temps_.size() - outer_count >= 2 && pick(0, 1)) {
      // Combine two of the routine's own temporaries.
      str_desc* a = temps_[temps_.size() - 2].d;
      str_desc* b = temps_.back().d;
      const std::string va = temps_[temps_.size() - 2].value, vb = temps_.back().value;
      str_desc* r = str_concat(a, b);
      if (!va.empty() && !vb.empty()) {
        drop_temp(a);
        drop_temp(b);
        temps_.push_back({r, va + vb, nullptr});
      }
    }
    str_cleanup(inner);
    temps_.resize(std::min(temps_.size(), outer_count));
    EXPECT_EQ(string_heap.temps.count, inner);
    check("nested cleanup");
  }

  void step() {
    std::vector<uint8_t*> before;
    for (const variable& v : vars_) before.push_back(v.d->chars);
    touched_ = SIZE_MAX;

    const int r = pick(0, 99);
    if (r < 30) new_temporary();
    else if (r < 50) concat();
    else if (r < 68) assign();
    else if (r < 78) append();
    else if (r < 80) free_and_recreate();
    else if (r < 86) free_temporary();
    else if (r < 94) compare();
    else nested_routine();

    // Variables whose characters moved without being assigned were moved by a compaction.
    for (size_t i = 0; i < vars_.size(); ++i) {
      if (i == touched_ || vars_[i].k == kind::fixed || vars_[i].value.empty()) continue;
      if (vars_[i].d->chars == before[i]) continue;
      (vars_[i].k == kind::segment ? moved_segment : moved_heap) += 1;
    }
  }

  void check(const char* where) {
    const std::string failure = engine_invariant_failure();
    ASSERT_EQ(failure, "") << "after " << where;
    size_t heap_strings = 0, segment_strings = 2, temp_strings = 0;
    for (const variable& v : vars_) {
      ASSERT_EQ(text_of(v.d), v.value) << "variable after " << where;
      ASSERT_FALSE(v.d->temporary);
      if (v.k == kind::fixed) {
        ASSERT_TRUE(v.d->fixed);
        ASSERT_EQ(std::string(v.memory.get(), v.value.size()), v.value);
      } else if (v.k == kind::segment) {
        ASSERT_TRUE(v.d->in_segment);
        ASSERT_TRUE(segment_record_matches(v.d)) << "record after " << where;
        ++segment_strings;
      } else {
        ASSERT_FALSE(v.d->in_segment);
        ++heap_strings;
      }
    }
    for (const temporary& t : temps_) {
      ASSERT_EQ(text_of(t.d), t.value) << "temporary after " << where;
      ASSERT_TRUE(t.d->temporary);
      ASSERT_GT(t.d->temp_index, 0);
      ASSERT_EQ(string_heap.temps.slots[t.d->temp_index], t.d);
      if (t.memory) {
        ASSERT_EQ(*t.memory, t.value) << "text under a temporary changed";
      }
      ++temp_strings;
      if (!t.d->fixed && !t.d->read_only) ++(t.d->in_segment ? segment_strings : heap_strings);
    }
    // Exactly the model's strings are listed.
    auto live = [](const str_list& l, uint32_t first) {
      size_t n = 0;
      for (uint32_t i = first; i < l.count; ++i) n += l.slots[i] != list_hole;
      return n;
    };
    ASSERT_EQ(live(string_heap.list, 0), heap_strings) << "after " << where;
    ASSERT_EQ(live(data_segment.list, 0), segment_strings) << "after " << where;
    ASSERT_EQ(live(string_heap.temps, 1), temp_strings) << "after " << where;
    ASSERT_EQ(text_of(data_segment.empty_string), "");
    ASSERT_EQ(text_of(data_segment.space_string), " ");
  }
};

struct model_case {
  string_engine_sizes sizes;
  int statements;
};

class strings_engine_model : public ::testing::TestWithParam<uint32_t> {};

TEST_P(strings_engine_model, random_statements_match_the_model) {
  const uint32_t seed = GetParam();
  const model_case cases[] = {
      {{.heap_size = 64, .list_capacity = 1, .free_stack_capacity = 1}, 6000},
      {{.heap_size = 2048, .list_capacity = 8, .free_stack_capacity = 4}, 6000},
  };
  const model_case& c = cases[seed % 2];
  strings_init_sized(c.sizes);
  engine_model model(seed);
  model.run(c.statements);
  EXPECT_GT(model.moved_heap, 0) << "no heap compaction moved a variable";
  EXPECT_GT(model.moved_segment, 0) << "no segment compaction moved a variable";
  RecordProperty("moved_heap", model.moved_heap);
  RecordProperty("moved_segment", model.moved_segment);
}

INSTANTIATE_TEST_SUITE_P(seeds, strings_engine_model, ::testing::Range(1u, 21u));

}  // namespace
