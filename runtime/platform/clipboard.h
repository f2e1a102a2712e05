#pragma once
// The X11 CLIPBOARD selection, as UTF-8 text: making the program its owner and
// serving it to other programs, reading what another program offers, and
// handing the text to a clipboard manager when the program ends.
//
// The owner side runs on a thread of its own with its own display connection,
// so that neither the window thread nor the program thread ever waits for
// another program to fetch the text. Any thread but the window thread may call
// them: clipboard_offer waits for the owner thread's answer, and clipboard_read
// (one read at a time) waits at most about a second for the owner's answer.
#include <cstddef>
#include <cstdint>
#include <string>

// Larger texts from other programs are refused rather than taken in.
constexpr size_t clipboard_read_limit = 64 * 1024 * 1024;
// How long the reader waits for the owner's answer, and then for each piece of
// a text that comes in pieces.
constexpr int32_t clipboard_answer_ms = 1000;
// A text that comes in pieces must be complete within this time.
constexpr int32_t clipboard_read_total_ms = 10000;

// Makes the program the owner of CLIPBOARD (and, with_primary, of PRIMARY) with
// text, served as UTF8_STRING, STRING (Latin-1, "?" for what it lacks) and
// TEXT, in pieces (INCR) when it is larger than one request may carry. False
// without an X display or when the server did not make the program the owner
// of CLIPBOARD.
bool clipboard_offer(const std::string& utf8, bool with_primary = false);

// What the CLIPBOARD owner offers, asked as UTF8_STRING and, failing that, as
// STRING (converted from Latin-1). False when nobody owns it, the owner does not
// answer in time, or the text is larger than clipboard_read_limit.
bool clipboard_read(std::string* utf8);

// At the end of the program: when the program still owns CLIPBOARD and a
// clipboard manager runs, asks the manager to take the text over (SAVE_TARGETS)
// and waits until it has, at most about timeout_ms (longer while the manager is
// still fetching a large text). Without a manager the text goes with the program.
void clipboard_hand_over(int32_t timeout_ms);
