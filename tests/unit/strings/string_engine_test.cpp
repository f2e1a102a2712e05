#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

using strings_engine = string_engine_test;

TEST_F(strings_engine, start_up_makes_the_two_permanent_segment_strings) {
  EXPECT_EQ(data_segment.bytes, conventional_memory + 0x500);
  EXPECT_EQ(text_of(data_segment.empty_string), "");
  EXPECT_EQ(text_of(data_segment.space_string), " ");
  for (const str_desc* s : {data_segment.empty_string, data_segment.space_string}) {
    EXPECT_TRUE(s->in_segment);
    EXPECT_FALSE(s->temporary);
    EXPECT_TRUE(segment_record_matches(s));
  }
  // 8 bytes reserved, then one record each, growing down.
  EXPECT_EQ(data_segment.empty_string->segment_record_offset, 65536 - 8 - 4);
  EXPECT_EQ(data_segment.space_string->segment_record_offset, 65536 - 8 - 8);
  EXPECT_EQ(string_heap.temps.count, 1u);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, new_heap_strings_are_followed_by_32_spare_bytes) {
  str_desc* a = str_new(10, false);
  str_desc* b = str_new(5, true);
  EXPECT_EQ(a->chars, string_heap.bytes);
  EXPECT_EQ(b->chars, string_heap.bytes + 42);
  EXPECT_EQ(string_heap.used, 42u + 37u);
  EXPECT_EQ(b->temp_index, 1);
  EXPECT_EQ(string_heap.temps.slots[1], b);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, concat_with_an_empty_operand_returns_the_other_descriptor) {
  str_desc* empty = str_new(0, true);
  str_desc* x = temp_text("abc");
  EXPECT_EQ(str_concat(x, empty), x);
  EXPECT_EQ(str_concat(empty, x), x);
  // Neither operand was released: both are still on string_heap.temps until the cleanup.
  EXPECT_EQ(string_heap.temps.slots[empty->temp_index], empty);
  EXPECT_EQ(string_heap.temps.slots[x->temp_index], x);
  str_cleanup(1, 0);
  EXPECT_EQ(string_heap.temps.count, 1u);
  EXPECT_EQ(string_heap.list.count, 0u);
}

TEST_F(strings_engine, concat_of_a_temporary_with_itself_releases_it_once) {
  str_desc* x = temp_text("ab");
  const uint32_t free_before = string_heap.descriptors.free_count;
  str_desc* sum = str_concat(x, x);
  EXPECT_EQ(text_of(sum), "abab");
  EXPECT_EQ(string_heap.descriptors.free_count, free_before + 1);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, fixed_length_assignment_pads_and_cuts) {
  struct row {
    std::string source;
    std::string expected;
  };
  const row rows[] = {{"hello", "hello   "}, {"0123456789", "01234567"}, {"", "        "}, {"12345678", "12345678"}};
  for (const row& r : rows) {
    char memory[10] = "xxxxxxxxx";
    str_desc* fixed = str_over_memory(memory, 8, false);
    str_desc* source = temp_text(r.source);
    EXPECT_EQ(str_assign(fixed, source), fixed);
    EXPECT_EQ(std::string(memory, 8), r.expected);
    EXPECT_EQ(fixed->len, 8);
    EXPECT_EQ(memory[8], 'x');               // nothing past its length
    EXPECT_EQ(string_heap.temps.count, 1u);          // the temporary source was released
    str_free(fixed);
  }
}

TEST_F(strings_engine, assigning_a_temporary_heap_string_takes_its_characters_over) {
  str_desc* variable = str_new(0, false);
  str_desc* source = temp_text("twelve bytes");
  uint8_t* source_chars = source->chars;
  const int32_t source_slot = source->list_index;
  str_assign(variable, source);
  EXPECT_EQ(variable->chars, source_chars);  // no bytes moved
  EXPECT_EQ(variable->list_index, source_slot);
  EXPECT_EQ(text_of(variable), "twelve bytes");
  EXPECT_EQ(string_heap.temps.count, 1u);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, assignment_from_read_only_or_fixed_text_copies) {
  char memory[4] = {'w', 'x', 'y', 'z'};
  const char* literal = "literal";
  str_desc* a = str_new(0, false);
  str_desc* b = str_new(0, false);
  str_assign(a, str_from_cstr(literal));
  str_assign(b, str_over_memory(memory, 4, true));
  EXPECT_NE(a->chars, reinterpret_cast<const uint8_t*>(literal));
  EXPECT_NE(b->chars, reinterpret_cast<uint8_t*>(memory));
  str_assign(a, temp_text("changed"));
  str_assign(b, temp_text("CHANGED"));
  EXPECT_STREQ(literal, "literal");
  EXPECT_EQ(std::string(memory, 4), "wxyz");
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, assignment_to_a_read_only_destination_never_writes_its_text) {
  const char text[] = "constant";
  str_desc* d = str_from_cstr(text);
  str_desc* variable = str_new(0, false);
  str_assign(variable, temp_text("abc"));
  str_assign(d, variable);
  EXPECT_EQ(text_of(d), "abc");
  EXPECT_STREQ(text, "constant");
  EXPECT_FALSE(d->read_only);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, self_assignment_keeps_the_string) {
  str_desc* t = temp_text("same");
  EXPECT_EQ(str_assign(t, t), t);
  EXPECT_EQ(text_of(t), "same");
  EXPECT_EQ(string_heap.temps.slots[t->temp_index], t);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, shrinking_stays_in_place_and_growth_uses_the_spare_bytes) {
  str_desc* v = str_new(0, false);
  str_desc* other = str_new(0, false);  // v is not the last string
  str_assign(v, str_from_cstr("0123456789"));
  uint8_t* place = v->chars;
  str_assign(v, str_from_cstr("abc"));
  EXPECT_EQ(v->chars, place);
  str_assign(v, str_from_cstr("0123456789012345678901234567890"));  // 31 bytes: fits before other
  EXPECT_EQ(v->chars, place);
  str_assign(v, str_from_cstr("0123456789012345678901234567890123"));  // 34: moves
  EXPECT_NE(v->chars, place);
  EXPECT_EQ(v->list_index, 2);  // appended after other
  EXPECT_EQ(text_of(v), "0123456789012345678901234567890123");
  EXPECT_EQ(text_of(other), "");
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, the_last_string_grows_in_place_up_to_the_heap_end) {
  strings_init_sized({.heap_size = 100});
  str_desc* v = str_new(0, false);
  str_assign(v, str_from_text(std::string(90, 'a').data(), 90));
  EXPECT_EQ(v->chars, string_heap.bytes);
  EXPECT_EQ(string_heap.used, 90u);
  EXPECT_EQ(string_heap.size, 100u);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, freeing_the_last_and_the_only_string_gives_space_back) {
  str_desc* a = str_new(10, false);
  str_desc* b = str_new(20, false);
  str_desc* c = str_new(30, false);
  str_free(c);
  EXPECT_EQ(string_heap.used, static_cast<size_t>(b->chars - string_heap.bytes) + 20 + 32);
  str_free(a);  // not the last: nothing given back
  EXPECT_EQ(string_heap.used, static_cast<size_t>(b->chars - string_heap.bytes) + 20 + 32);
  str_free(b);
  EXPECT_EQ(string_heap.used, 0u);
  EXPECT_EQ(string_heap.list.count, 0u);
}

TEST_F(strings_engine, cleanup_at_or_above_the_count_releases_nothing) {
  str_desc* t = temp_text("kept");
  const uint32_t count = string_heap.temps.count;
  EXPECT_EQ(str_cleanup(count, 77), 77);
  EXPECT_EQ(str_cleanup(count + 5, -3), -3);
  EXPECT_EQ(string_heap.temps.count, count);
  EXPECT_EQ(text_of(t), "kept");
  EXPECT_EQ(str_cleanup(1, 5), 5);
  EXPECT_EQ(string_heap.temps.count, 1u);
}

TEST_F(strings_engine, cleanup_releases_back_to_the_mark_only) {
  str_desc* outer = temp_text("outer");
  const uint32_t mark = str_temp_mark();
  temp_text("a");
  str_from_cstr("b");
  char memory[3];
  str_over_memory(memory, 3, true);
  str_new_in_segment(4, true);
  str_cleanup(mark);
  EXPECT_EQ(string_heap.temps.count, mark);
  EXPECT_EQ(text_of(outer), "outer");
  EXPECT_EQ(string_heap.list.count, 1u);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, a_string_made_temporary_is_released_by_the_cleanup) {
  str_desc* v = str_new(0, false);
  const uint32_t mark = str_temp_mark();
  EXPECT_EQ(str_make_temporary(v), v);
  str_make_temporary(v);  // already temporary: still one slot
  EXPECT_EQ(string_heap.temps.count, mark + 1);
  const uint32_t free_before = string_heap.descriptors.free_count;
  str_cleanup(mark);
  EXPECT_EQ(string_heap.descriptors.free_count, free_before + 1);
  EXPECT_EQ(string_heap.list.count, 0u);
}

TEST_F(strings_engine, descriptor_blocks_and_lists_grow) {
  strings_init_sized({.heap_size = 64, .list_capacity = 2, .free_stack_capacity = 1});
  std::vector<str_desc*> all;
  for (int i = 0; i < 70000; ++i) all.push_back(str_new(1, (i & 1) != 0));
  EXPECT_EQ(string_heap.descriptors.block_used, 70000u + 2 - 65536);  // two permanent strings, one block rollover
  EXPECT_GE(string_heap.list.capacity, 70000u);
  EXPECT_GE(string_heap.temps.capacity, 35000u);
  EXPECT_EQ(engine_invariant_failure(), "");
  for (str_desc* s : all) str_free(s);
  EXPECT_EQ(string_heap.descriptors.free_count, 70000u);
  EXPECT_EQ(string_heap.temps.count, 1u);
  EXPECT_EQ(string_heap.used, 0u);
}

TEST_F(strings_engine, heap_compaction_leaves_small_gaps_and_moves_the_rest) {
  str_desc* a = str_new(4, false);
  str_desc* hole = str_new(100, false);
  str_desc* b = str_new(4, false);
  std::memcpy(b->chars, "bbbb", 4);
  str_free(hole);
  heap_compact(0);
  EXPECT_EQ(a->chars, string_heap.bytes);  // a 0-byte gap: in place
  EXPECT_EQ(b->chars, string_heap.bytes + 4);  // a 132-byte gap: moved down
  EXPECT_EQ(text_of(b), "bbbb");
  EXPECT_EQ(string_heap.used, 8u);  // the spare bytes after the last string are dropped
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, the_heap_grows_to_need_plus_twice_its_size) {
  strings_init_sized({.heap_size = 64});
  str_desc* v = str_new(0, false);
  str_assign(v, temp_text("keep me"));
  const size_t before = string_heap.size;
  str_new(100, true);
  EXPECT_EQ(string_heap.size, 132u + 2 * before);
  EXPECT_EQ(text_of(v), "keep me");
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, segment_strings_keep_their_records_through_compaction) {
  str_desc* a = str_new_in_segment(0, false);
  str_desc* b = str_new_in_segment(0, false);
  str_assign(a, str_from_cstr("first value"));
  str_assign(b, str_from_cstr("second"));
  str_assign(a, str_from_cstr("first value, now longer"));  // a relocates after b
  str_free(str_new_in_segment(100, true));
  segment_compact(0);
  EXPECT_EQ(text_of(a), "first value, now longer");
  EXPECT_EQ(text_of(b), "second");
  EXPECT_TRUE(segment_record_matches(a));
  EXPECT_TRUE(segment_record_matches(b));
  EXPECT_EQ(data_segment.used, 256u + 1 + 6 + 23);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, fixed_string_in_the_data_segment_gets_a_record) {
  str_desc* f = str_over_memory(data_segment.bytes + 1000, 6, false);
  EXPECT_TRUE(segment_record_matches(f));
  EXPECT_EQ(f->segment_record_offset, 65536 - 8 - 12);
  str_assign(f, str_from_cstr("ab"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data_segment.bytes + 1000), 6), "ab    ");
  char outside[2];
  EXPECT_EQ(str_over_memory(outside, 2, false)->segment_record, nullptr);
}

TEST_F(strings_engine, comparisons_follow_byte_order_then_length) {
  struct row {
    std::string a, b;
    int32_t three_way;
  };
  const row rows[] = {
      {"", "", 0},       {"", "a", -1},    {"a", "", 1},       {"abc", "ab", 1},
      {"ab", "abc", -1}, {"a", "Z", 1},    {"Z", "a", -1},     {"abc", "abd", -1},
      {"\x80", "\x7f", 1}, {std::string("a\0b", 3), std::string("a\0a", 3), 1},
      {"same", "same", 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.a + " vs " + r.b);
    const int32_t t = r.three_way;
    str_desc* a = str_from_text(r.a.data(), static_cast<uint32_t>(r.a.size()));
    str_desc* b = str_from_text(r.b.data(), static_cast<uint32_t>(r.b.size()));
    EXPECT_EQ(str_compare(a, b), t);
    EXPECT_EQ(str_equal(a, b), t == 0 ? -1 : 0);
    EXPECT_EQ(str_not_equal(a, b), t != 0 ? -1 : 0);
    EXPECT_EQ(str_less(a, b), t < 0 ? -1 : 0);
    EXPECT_EQ(str_greater(a, b), t > 0 ? -1 : 0);
    EXPECT_EQ(str_less_equal(a, b), t <= 0 ? -1 : 0);
    EXPECT_EQ(str_greater_equal(a, b), t >= 0 ? -1 : 0);
    // Comparisons never release their operands.
    EXPECT_EQ(string_heap.temps.slots[a->temp_index], a);
    EXPECT_EQ(string_heap.temps.slots[b->temp_index], b);
    str_cleanup(1);
  }
}

TEST_F(strings_engine, null_text_is_the_empty_string) {
  str_desc* s = str_from_cstr(nullptr);
  EXPECT_EQ(s->len, 0);
  EXPECT_EQ(str_equal(s, data_segment.empty_string), -1);
  str_desc* v = str_new(0, false);
  str_assign(v, str_concat(s, str_from_cstr("x")));
  EXPECT_EQ(text_of(v), "x");
}

// --- a$ = a$ + x through str_append ---

// Each case: how dest and src are made, and what dest must read afterwards.
struct append_case {
  const char* name;
  str_desc* (*dest)();                   // the variable appended to, holding "abc" unless it is fixed or empty
  str_desc* (*src)(str_desc* dest);      // the operand (may be dest itself)
  const char* expected;
};

str_desc* heap_abc() {
  str_desc* v = str_new(0, false);
  str_assign(v, str_from_cstr("abc"));
  return v;
}
str_desc* segment_abc() {
  str_desc* v = str_new_in_segment(0, false);
  str_assign(v, str_from_cstr("abc"));
  return v;
}

TEST_F(strings_engine, append_gives_dest_plus_src_for_every_kind) {
  static char fixed_memory[5] = {'f', 'i', 'x', 'e', 'd'};
  const append_case cases[] = {
      {"heap + literal", heap_abc, [](str_desc*) { return str_from_cstr("de"); }, "abcde"},
      {"heap + temporary heap string", heap_abc, [](str_desc*) { return temp_text("xyz"); }, "abcxyz"},
      {"heap + itself", heap_abc, [](str_desc* d) { return d; }, "abcabc"},
      {"heap + segment temporary",
       heap_abc,
       [](str_desc*) {
         str_desc* t = str_new_in_segment(2, true);
         std::memcpy(t->chars, "st", 2);
         return t;
       },
       "abcst"},
      {"segment + literal", segment_abc, [](str_desc*) { return str_from_cstr("12"); }, "abc12"},
      {"segment + itself", segment_abc, [](str_desc* d) { return d; }, "abcabc"},
      {"empty + temporary", [] { return str_new(0, false); }, [](str_desc*) { return temp_text("q"); }, "q"},
      {"heap + empty", heap_abc, [](str_desc*) { return str_from_cstr(""); }, "abc"},
      {"fixed keeps its length", [] { return str_over_memory(fixed_memory, 5, false); },
       [](str_desc*) { return str_from_cstr("zz"); }, "fixed"},
      {"read-only dest gets its own characters", [] { return str_from_cstr("ro"); },
       [](str_desc*) { return str_from_cstr("!"); }, "ro!"},
  };
  for (const append_case& c : cases) {
    SCOPED_TRACE(c.name);
    strings_init_sized(string_engine_sizes{});
    const uint32_t mark = str_temp_mark();
    str_desc* d = c.dest();
    str_desc* s = c.src(d);
    const bool released = s->temporary && s != d;
    EXPECT_EQ(str_append(d, s), d);
    EXPECT_EQ(text_of(d), c.expected);
    if (released) {
      EXPECT_EQ(string_heap.temps.count, d->temporary ? static_cast<uint32_t>(d->temp_index) + 1 : mark);
    }
    if (d->segment_record) {
      EXPECT_TRUE(segment_record_matches(d));
    }
    EXPECT_EQ(engine_invariant_failure(), "");
  }
  EXPECT_EQ(std::string(fixed_memory, 5), "fixed");
}

// A literal appended through str_append_text leaves no temporary behind and
// reads the same as through str_append, whichever destination it goes to.
TEST_F(strings_engine, literal_append_matches_append_for_every_destination) {
  static char fixed_memory[3] = {'f', 'i', 'x'};
  struct literal_case {
    const char* name;
    str_desc* (*dest)();
    const char* literal;
    const char* expected;
  };
  const literal_case cases[] = {
      {"newest heap string", heap_abc, "de", "abcde"},
      {"heap string with another behind it",
       [] {
         str_desc* v = heap_abc();
         str_assign(str_new(0, false), str_from_cstr("behind"));
         return v;
       },
       "de", "abcde"},
      {"longer than the short path", heap_abc, "0123456789abcdefXYZ", "abc0123456789abcdefXYZ"},
      {"segment string", segment_abc, "12", "abc12"},
      {"empty", [] { return str_new(0, false); }, "q", "q"},
      {"empty literal", heap_abc, "", "abc"},
      {"fixed", [] { return str_over_memory(fixed_memory, 3, false); }, "zz", "fix"},
      {"read-only", [] { return str_from_cstr("ro"); }, "!", "ro!"},
  };
  for (const literal_case& c : cases) {
    SCOPED_TRACE(c.name);
    strings_init_sized(string_engine_sizes{});
    str_desc* d = c.dest();
    const uint32_t mark = str_temp_mark();
    EXPECT_EQ(str_append_text(d, c.literal, static_cast<uint32_t>(std::strlen(c.literal))), d);
    EXPECT_EQ(text_of(d), c.expected);
    EXPECT_EQ(string_heap.temps.count, d->temporary ? static_cast<uint32_t>(d->temp_index) + 1 : mark);
    if (d->segment_record) {
      EXPECT_TRUE(segment_record_matches(d));
    }
    EXPECT_EQ(engine_invariant_failure(), "");
  }
}

TEST_F(strings_engine, append_grows_in_place_over_free_bytes_and_a_temporary_behind) {
  str_desc* v = heap_abc();
  uint8_t* place = v->chars;
  str_append(v, str_from_cstr("d"));  // the last string: the heap behind it
  EXPECT_EQ(v->chars, place);
  // A temporary made right behind v is what v grows over.
  str_desc* t = temp_text(std::string(40, 'x'));
  EXPECT_EQ(t->chars, place + 4);
  str_append(v, t);
  EXPECT_EQ(v->chars, place);
  EXPECT_EQ(text_of(v), "abcd" + std::string(40, 'x'));
  EXPECT_EQ(string_heap.list.count, static_cast<uint32_t>(v->list_index) + 1);
  EXPECT_EQ(engine_invariant_failure(), "");
}

// Two strings built up in turn always find each other in the way. Each move
// leaves spare bytes behind the moved string, as many as it holds, so the
// moves stay logarithmic in the final length; one move per append would make
// building a string quadratic.
TEST_F(strings_engine, strings_appended_in_turn_move_a_logarithmic_number_of_times) {
  strings_init_sized({.heap_size = 4096, .list_capacity = 8, .free_stack_capacity = 4});
  str_desc* a = str_new(0, false);
  str_desc* b = str_new(0, false);
  std::string model_a, model_b;
  int moves = 0;
  const uint32_t mark = str_temp_mark();
  for (int i = 0; i < 20000; ++i) {
    str_desc* d = i % 2 ? b : a;
    std::string& model = i % 2 ? model_b : model_a;
    const char piece[2] = {static_cast<char>('a' + i % 26), static_cast<char>('0' + i % 10)};
    uint8_t* before = d->chars;
    str_append(d, str_from_text(piece, 2));
    str_cleanup(mark);
    model.append(piece, 2);
    moves += d->chars != before;
  }
  EXPECT_EQ(text_of(a), model_a);
  EXPECT_EQ(text_of(b), model_b);
  EXPECT_LT(moves, 80);  // 2 x log2(20000) is about 29, with heap growths and compactions on top
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(strings_engine, append_in_a_nearly_full_data_segment_needs_room_for_the_result_only) {
  str_desc* v = str_new_in_segment(0, false);
  str_assign(v, str_from_text(std::string(20000, 'a').data(), 20000));
  str_desc* w = str_new_in_segment(0, false);  // behind v: v must move to grow
  str_assign(w, str_from_cstr("w"));
  str_desc* filler = str_new_in_segment(0, false);
  str_assign(filler, str_from_text(std::string(30000, 'f').data(), 30000));
  // 50,001 bytes live; the 25,000-byte result fits beside w and filler, both copies of v would not.
  str_append(v, str_from_text(std::string(5000, 'b').data(), 5000));
  EXPECT_EQ(text_of(v), std::string(20000, 'a') + std::string(5000, 'b'));
  EXPECT_EQ(text_of(w), "w");
  EXPECT_EQ(text_of(filler), std::string(30000, 'f'));
  EXPECT_TRUE(segment_record_matches(v));
  EXPECT_EQ(engine_invariant_failure(), "");
}

// --- refusals: fatal kinds end the process with their box ---

using strings_engine_death = string_engine_test;

TEST_F(strings_engine_death, a_length_beyond_the_32_bit_len_is_refused) {
  EXPECT_EXIT(str_new(0x80000000u, false), ::testing::ExitedWithCode(0), "Critical Error #12");
}

TEST_F(strings_engine_death, a_concatenation_longer_than_len_holds_is_refused) {
  // Fixed strings over memory that is never read: the refusal comes first.
  static char byte;
  str_desc* a = str_over_memory(&byte, 0x60000000u, true);
  str_desc* b = str_over_memory(&byte, 0x60000000u, true);
  EXPECT_EXIT(str_concat(a, b), ::testing::ExitedWithCode(0), "Critical Error #12");
}

TEST_F(strings_engine_death, an_append_longer_than_len_holds_is_refused) {
  static char byte;
  str_desc* a = str_over_memory(&byte, 0x60000000u, true);
  a->fixed = 0;  // stands for a variable of that length; never read, the refusal comes first
  a->read_only = 1;
  str_desc* b = str_over_memory(&byte, 0x60000000u, true);
  EXPECT_EXIT(str_append(a, b), ::testing::ExitedWithCode(0), "Critical Error #12");
}

TEST_F(strings_engine_death, a_full_data_segment_is_refused) {
  EXPECT_EXIT(str_new_in_segment(70000, true), ::testing::ExitedWithCode(0), "Critical Error #13");
  str_desc* v = str_new_in_segment(0, false);
  str_desc* big = str_from_text(data_segment.bytes, 66000);
  EXPECT_EXIT(str_assign(v, big), ::testing::ExitedWithCode(0), "Critical Error #13");
}

TEST_F(strings_engine_death, a_record_that_meets_the_strings_is_refused) {
  // After start-up: strings end at 257, records begin at 65520.
  EXPECT_EXIT(str_new_in_segment(65520 - 257 - 2, false), ::testing::ExitedWithCode(0), "Critical Error #14");
  str_new_in_segment(65520 - 257 - 2, true);
  EXPECT_EXIT(str_over_memory(data_segment.bytes + 300, 2, false), ::testing::ExitedWithCode(0),
              "Critical Error #15");
}

TEST_F(strings_engine, a_permanent_segment_string_compacts_to_make_room_for_its_record) {
  str_free(str_new_in_segment(60000, true));  // garbage below data_segment.used
  str_desc* keep = str_new_in_segment(10, true);
  std::memcpy(keep->chars, "0123456789", 10);
  // The characters alone would fit without compaction, the record would not.
  str_desc* v = str_new_in_segment(data_segment.stack_top - data_segment.used - 2, false);
  EXPECT_TRUE(segment_record_matches(v));
  EXPECT_EQ(text_of(keep), "0123456789");
  EXPECT_EQ(keep->chars, data_segment.bytes + 257);
  EXPECT_EQ(engine_invariant_failure(), "");
}

}  // namespace
