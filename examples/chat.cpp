// Two-window chat over TCP. One copy listens, the other joins:
//   chat host 5555        waits on port 5555 for the other side
//   chat join 5555 [host] connects to it (default host 127.0.0.1)
// Type a line and press Enter to send it. F2 pastes the clipboard into the line
// being typed, F3 copies the last line received to the clipboard, Esc leaves.
#include <quintaro.h>

#include <string>

#include "example_statements.h"

namespace {

using example::print_line;
constexpr int32_t first_talk_row = 4, last_talk_row = 21, typing_row = 24;
constexpr size_t longest_line = 70;
const std::string f2_key("\0<", 2), f3_key("\0=", 2);

int32_t talk_row = first_talk_row;

// One line of the conversation; when the area is full it starts again at the top.
void say(const std::string& who, const std::string& text, uint32_t mark) {
  if (talk_row > last_talk_row) {
    for (int32_t row = first_talk_row; row <= last_talk_row; ++row) {
      locate(row, 1, 0, 0, 0, 3);
      print_line(std::string(80, ' '), mark, 40, true);
    }
    talk_row = first_talk_row;
  }
  locate(talk_row++, 1, 0, 0, 0, 3);
  color(who == "me" ? 11 : 14, 0, 0, 1);
  print_line(who + ": ", mark, 41, true);
  color(7, 0, 0, 1);
  print_line(text, mark, 42, true);
}

void status(const std::string& text, uint32_t mark) {
  locate(2, 1, 0, 0, 0, 3);
  print_line(text + std::string(80 - text.size(), ' '), mark, 43, true);
}

void show_typing(const std::string& typed, uint32_t mark) {
  locate(typing_row, 1, 0, 0, 0, 3);
  print_line("> " + typed + std::string(78 - typed.size(), ' '), mark, 44, true);
  locate(typing_row, static_cast<int32_t>(3 + typed.size()), 1, 0, 0, 7);
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  const std::string args = command_line_text();
  const bool hosting = args.rfind("host ", 0) == 0;
  std::string port = args.substr(args.find(' ') + 1);
  std::string server = "127.0.0.1";
  if (!hosting && port.find(' ') != std::string::npos) {
    server = port.substr(port.find(' ') + 1);
    port = port.substr(0, port.find(' '));
  }
  if (!hosting && args.rfind("join ", 0) != 0) {
    print_line("Start me as: chat host PORT, or chat join PORT [HOST]", mark, 1);
    program_end();
  }
  window_set_title(hosting ? "Chat: host" : "Chat: join");
  statement_end(2);
  color(15, 1, 0, 3);
  locate(1, 1, 0, 0, 0, 3);
  const std::string header = " Quintaro chat   Enter: send   F2: paste   F3: copy last line   Esc: leave";
  print_line(header + std::string(80 - header.size(), ' '), mark, 3, true);
  color(7, 0, 0, 3);

  int32_t host = 0, link = 0;
  if (hosting) {
    host = net_open(1, str_from_cstr(("TCP/IP:" + port).c_str()), 0);  // 4: OPEN a host
    statement_end(4, mark);
    if (host <= 0) {
      status("Port " + port + " cannot be used.", mark);
      program_end();
    }
  }
  status(hosting ? "Waiting for someone to join on port " + port + "..." : "Joining " + server + ":" + port + "...", mark);
  while (link <= 0) {  // 5: until connected
    link = hosting ? net_open(2, str_from_cstr(""), host) : net_open(0, str_from_cstr(("TCP/IP:" + port + ":" + server).c_str()), 0);
    statement_end(5, mark);
    if (link < 0) {  // not an address the network statements take
      status("Not a port or host: " + port + " " + server, mark);
      program_end();
    }
    if (link == 0) {
      if (example::text_of(inkey()) == "\x1b") program_end();
      example::pause_ms(100, 6);
    }
  }
  status("Connected.", mark);

  std::string typed, arrived, last_received;
  str_desc* incoming = str_new(0, false);
  bool peer_here = true;
  show_typing(typed, mark);
  for (;;) {  // 10: DO
    bool busy = false;
    const std::string key = example::text_of(inkey());  // 11: k$ = INKEY$
    statement_end(11, mark);
    if (key == "\x1b") break;
    if (!key.empty()) {
      busy = true;
      if (key == "\r" && !typed.empty() && peer_here) {
        net_put_string(link, str_from_cstr((typed + "\n").c_str()));  // 12: PUT #link, line
        statement_end(12, mark);
        say("me", typed, mark);
        typed.clear();
      } else if (key == "\b") {
        if (!typed.empty()) typed.pop_back();
      } else if (key == f2_key) {
        std::string pasted = example::text_of(clipboard_get());  // 13: paste
        statement_end(13, mark);
        typed += pasted.substr(0, pasted.find_first_of("\r\n"));
      } else if (key == f3_key) {
        clipboard_set(str_from_cstr(last_received.c_str()));  // 14: copy
        statement_end(14, mark);
        status("Copied: " + last_received.substr(0, 60), mark);
      } else if (key.size() == 1 && static_cast<uint8_t>(key[0]) >= 32) {
        typed += key;
      }
      if (typed.size() > longest_line) typed.resize(longest_line);
      show_typing(typed, mark);
    }
    if (peer_here) {
      net_get_string(link, incoming);  // 15: GET #link, incoming$
      statement_end(15, mark);
      if (incoming->len > 0) {
        busy = true;
        arrived += example::text_of(incoming);
        for (size_t end; (end = arrived.find('\n')) != std::string::npos; arrived.erase(0, end + 1)) {
          last_received = arrived.substr(0, std::min(end, longest_line));
          say("them", last_received, mark);
        }
        show_typing(typed, mark);
      } else if (net_eof(link)) {
        peer_here = false;
        say("them", "(left the chat)", mark);
        show_typing(typed, mark);
      }
    }
    if (!busy) example::pause_ms(20, 16);  // nothing came: wait a little or until a key
  }  // 17: LOOP
  net_close(link);
  if (host > 0) net_close(host);
  statement_end(18, mark);
  program_end();
}
