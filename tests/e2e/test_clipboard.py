"""The clipboard between a program and other X clients (xclip): code page 437
text both ways, texts of several megabytes, serving while the program thread
is busy, the cut at a zero byte, and the hand-over to a clipboard manager at
the end of the program."""
import os
import subprocess
import time

import harness

# The characters the runtime's codes 1-31 and 127 stand for; 128-255 follow code page 437.
LOW = [0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
       0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC,
       0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC]


def to_unicode(data):
    """Runtime text as the desktop sees it: tab, LF and CR stay, CR LF becomes LF."""
    chars = []
    for b in data:
        if b in (9, 10, 13):
            chars.append(chr(b))
        elif b < 32:
            chars.append(chr(LOW[b - 1]))
        elif b == 127:
            chars.append("\u2302")
        else:
            chars.append(bytes([b]).decode("cp437"))
    return "".join(chars).replace("\r\n", "\n")


def large_text(size):
    """The program's large text (see clipboard_program.cpp)."""
    out = bytearray()
    code = 1
    while len(out) < size:
        if len(out) % 66 == 64:
            out += b"\r\n"
            continue
        out.append(code)
        code = code % 255 + 1
        if code in (10, 13):
            code += 1
    return bytes(out[:size])


def checksum(data):
    s = 0
    for b in data:
        s = (s * 31 + b) & 0xFFFFFFFF
    return s


# What the program offers: text/plain;charset=utf-8 is what toolkit programs ask for first.
PROGRAM_TARGETS = {"TARGETS", "text/plain;charset=utf-8", "UTF8_STRING", "STRING", "TEXT"}


class ClipboardTest(harness.ProgramTest):
    program_name = "clipboard_program"
    stepped = True

    def xclip_out(self, target="UTF8_STRING", timeout=10):
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", target],
                                env=self.xvfb.env, capture_output=True, timeout=timeout)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def xclip_in(self, data):
        """xclip owns the clipboard with data until the test ends."""
        proc = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"], env=self.xvfb.env,
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(lambda: (proc.kill(), proc.wait(), proc.stderr.close()))
        proc.stdin.write(data)
        proc.stdin.close()
        # It says so (on stderr) once it has asked for the selection; the server
        # may not have made it the owner yet, which its targets show.
        self.assertIn(b"Waiting for selection requests", proc.stderr.readline())
        self.assertTrue(harness.wait_until(lambda: set(self.xclip_out("TARGETS").decode().split()) != PROGRAM_TARGETS))
        return proc

    def test_clipboard_with_other_clients(self):
        self.step(1)
        short = b"Caf\x82 \xE1 \xC9\xCD\xBB \x01 50\xF8\r\nnext line"
        self.assertEqual(self.xclip_out().decode("utf-8"), "Café ß ╔═╗ ☺ 50°\nnext line")
        self.assertEqual(self.xclip_out().decode("utf-8"), to_unicode(short))
        self.assertEqual(set(self.xclip_out("TARGETS").decode().split()), PROGRAM_TARGETS)
        self.assertEqual(self.xclip_out("text/plain;charset=utf-8").decode("utf-8"), to_unicode(short))
        # STRING is Latin-1: what it lacks becomes "?".
        self.assertEqual(self.xclip_out("STRING"), "Café ß ??? ? 50°\nnext line".encode("latin-1"))

        # From another client: characters without a code page 437 form become "?", LF becomes CR LF.
        self.xclip_in("Grüße ½ ░▒▓ € ☺\nzweite".encode("utf-8"))
        out = self.step(2)
        got = bytes.fromhex(out.split("got=")[1].split("\n")[0])
        self.assertEqual(got, b"Gr\x81\xE1e \xAB \xB0\xB1\xB2 ? \x01\r\nzweite")

        # 5 MB from the program, in pieces.
        self.step(3)
        big = large_text(5 * 1024 * 1024)
        self.assertEqual(self.xclip_out(timeout=60).decode("utf-8"), to_unicode(big))

        # 5 MB from xclip, every code point the program knows plus invalid UTF-8 bytes.
        incoming = to_unicode(big).encode("utf-8") + b"\xff\xc3(end"
        self.xclip_in(incoming)
        out = self.step(4)
        expected = big.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n") + b"??(end"
        self.assertIn(f"large={len(expected)} {checksum(expected):08X}\n", out)

        # The program thread computes for 3 s; the clipboard is served meanwhile.
        self.step(5)
        started = time.monotonic()
        self.assertEqual(self.xclip_out(), b"served while busy")
        self.assertLess(time.monotonic() - started, 1.5)
        self.assertNotIn("busy done", self.program.stdout())
        self.wait_for(lambda o: "busy done" in o)

        # Text is cut at its first zero byte. With a clipboard manager running, the
        # text stays on the clipboard after the program has ended.
        keeper = subprocess.Popen([os.path.join(harness.E2E_BIN, "clipboard_keeper")], env=self.xvfb.env,
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: (keeper.kill(), keeper.wait(), keeper.stdout.close()))
        self.assertEqual(keeper.stdout.readline(), "ready\n")
        self.step(6)
        self.assertEqual(self.xclip_out(), b"before zero")
        self.assertEqual(self.end_at_prompt(), 0)
        self.assertEqual(keeper.stdout.readline(), "saved 11\n")
        self.assertEqual(self.xclip_out(), b"before zero")


if __name__ == "__main__":
    import unittest
    unittest.main()
