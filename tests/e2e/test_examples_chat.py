"""The chat example end to end: two windows on one X server, one hosting and
one joining over TCP; lines typed in one show in the other, and a line copied
to the clipboard in one is pasted in the other."""
import socket
import unittest

import harness
from test_examples import shot, start, wait_text


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ChatTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.addCleanup(self.xvfb.stop)

    def test_lines_cross_and_the_clipboard_carries_one_back(self):
        port = str(free_port())
        host, host_window = start(self, self.xvfb, "chat", args=["host", port], title="Chat: host")
        wait_text(self, self.xvfb, host_window, f"Waiting for someone to join on port {port}")
        joiner, join_window = start(self, self.xvfb, "chat", args=["join", port], title="Chat: join")
        wait_text(self, self.xvfb, join_window, "Connected.")
        wait_text(self, self.xvfb, host_window, "Connected.")

        harness.type_text(self.xvfb, join_window, "hello there")
        harness.press_keys(self.xvfb, join_window, "Return")
        wait_text(self, self.xvfb, join_window, "me: hello there")
        rows = wait_text(self, self.xvfb, host_window, "them: hello there")
        self.assertEqual(rows[3], "them: hello there")  # the first row of the conversation

        # F3 in the host copies what it received; F2 in the other window pastes it.
        harness.press_keys(self.xvfb, host_window, "F3")
        wait_text(self, self.xvfb, host_window, "Copied: hello there")
        harness.type_text(self.xvfb, join_window, "you said: ")
        harness.press_keys(self.xvfb, join_window, "F2")
        wait_text(self, self.xvfb, join_window, "> you said: hello there")
        harness.press_keys(self.xvfb, join_window, "Return")
        wait_text(self, self.xvfb, host_window, "them: you said: hello there")
        shot(self.xvfb, host_window, "chat_host")
        shot(self.xvfb, join_window, "chat_join")

        harness.press_keys(self.xvfb, join_window, "Escape")
        self.assertEqual(harness.end_at_prompt(self.xvfb, joiner, "Chat: join"), 0, joiner.stderr())
        wait_text(self, self.xvfb, host_window, "them: (left the chat)")
        harness.press_keys(self.xvfb, host_window, "Escape")
        self.assertEqual(harness.end_at_prompt(self.xvfb, host, "Chat: host"), 0, host.stderr())


if __name__ == "__main__":
    unittest.main(verbosity=2)
