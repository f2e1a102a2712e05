// Runs processor test cases recorded on real hardware against the 8086
// interpreter: every `*.json.gz` case file of a folder (cases as a JSON array
// of {name, bytes, initial: {regs, ram}, final: {regs, ram}}), with the
// folder's metadata.json giving the flags each opcode leaves undefined. Prints
// one line per file, `NAME: passed/total`, and a last line `total:
// passed/total`; exits 1 when any case fails or a file cannot be read.
//
//   cpu8086_cases DIR [-v|-vv]   -v: the first failing cases of each file in full, -vv: all
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "runtime/cpu/cpu.h"
#include "tools/detail/json_value.h"

namespace {

constexpr size_t max_file_bytes = 256u << 20;
constexpr const char* reg_names[14] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di",
                                       "es", "cs", "ss", "ds", "ip", "flags"};

bool read_gzip(const std::string& path, std::string& out) {
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[1 << 16];
  for (;;) {
    int n = gzread(f, buffer, sizeof buffer);
    if (n < 0) { gzclose(f); return false; }
    if (n == 0) break;
    if (out.size() + static_cast<size_t>(n) > max_file_bytes) { gzclose(f); return false; }
    out.append(buffer, static_cast<size_t>(n));
  }
  return gzclose(f) == Z_OK;
}

bool read_plain(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (out.size() + n > max_file_bytes) { std::fclose(f); return false; }
    out.append(buffer, n);
  }
  std::fclose(f);
  return true;
}

// A JSON number that is a whole value in [0, limit]; else -1.
int64_t whole(const json_value* v, int64_t limit) {
  if (!v || !v->is_number()) return -1;
  double d = v->number;
  if (!(d >= 0 && d <= static_cast<double>(limit)) || d != static_cast<double>(static_cast<int64_t>(d))) return -1;
  return static_cast<int64_t>(d);
}

// The 14 registers of a regs object; missing ones keep their value in out.
bool read_regs(const json_value* regs, uint16_t out[14]) {
  if (!regs || regs->kind != json_value::object_kind) return false;
  for (int i = 0; i < 14; ++i) {
    const json_value* v = regs->find(reg_names[i]);
    if (!v) continue;
    int64_t n = whole(v, 0xFFFF);
    if (n < 0) return false;
    out[i] = static_cast<uint16_t>(n);
  }
  return true;
}

struct ram_entry {
  uint32_t address;
  uint8_t value;
};

bool read_ram(const json_value* ram, std::vector<ram_entry>& out) {
  if (!ram || ram->kind != json_value::array_kind) return false;
  for (const json_value& pair : ram->items) {
    if (pair.kind != json_value::array_kind || pair.items.size() != 2) return false;
    int64_t a = whole(&pair.items[0], 0xFFFFF);
    int64_t b = whole(&pair.items[1], 0xFF);
    if (a < 0 || b < 0) return false;
    out.push_back({static_cast<uint32_t>(a), static_cast<uint8_t>(b)});
  }
  return true;
}

// The flags mask of a case file named "XX.json.gz" or "XX.R.json.gz".
uint16_t flags_mask_for(const json_value* metadata, const std::string& file) {
  if (!metadata) return 0xFFFF;
  const json_value* opcodes = metadata->find("opcodes");
  if (!opcodes || file.size() < 2) return 0xFFFF;
  std::string opcode = file.substr(0, 2);
  const json_value* entry = opcodes->find(opcode);
  if (!entry) return 0xFFFF;
  if (file.size() > 3 && file[2] == '.' && file[3] >= '0' && file[3] <= '7' && file.compare(4, 1, ".") == 0) {
    const json_value* by_reg = entry->find("reg");
    if (by_reg) entry = by_reg->find(std::string(1, file[3]));
    if (!entry) return 0xFFFF;
  }
  int64_t mask = whole(entry->find("flags-mask"), 0xFFFF);
  return mask < 0 ? 0xFFFF : static_cast<uint16_t>(mask);
}

struct case_runner {
  std::vector<uint8_t> memory = std::vector<uint8_t>(0x100000, 0);
  bool verbose = false;
  int show_limit = 3;
  int shown = 0;

  // Runs one case; true when the final state matches.
  bool run(const json_value& c, uint16_t mask, bool& malformed) {
    const json_value* initial = c.find("initial");
    const json_value* final_state = c.find("final");
    uint16_t start[14] = {};
    uint16_t expect[14];
    std::vector<ram_entry> ram_in, ram_out;
    if (!initial || !final_state || !read_regs(initial->find("regs"), start) ||
        !read_ram(initial->find("ram"), ram_in) || !read_ram(final_state->find("ram"), ram_out)) {
      malformed = true;
      return false;
    }
    std::copy(start, start + 14, expect);
    if (!read_regs(final_state->find("regs"), expect)) {
      malformed = true;
      return false;
    }
    for (const ram_entry& e : ram_in) memory[e.address] = e.value;
    cpu_state cpu;
    cpu_attach(cpu, memory.data(), nullptr);
    for (int i = 0; i < 8; ++i) cpu.regs[i] = start[i];
    for (int i = 0; i < 4; ++i) cpu.sregs[i] = start[8 + i];
    cpu.ip = start[12];
    cpu.flags = start[13];
    cpu_run(cpu, 1);
    uint16_t got[14];
    for (int i = 0; i < 8; ++i) got[i] = cpu.regs[i];
    for (int i = 0; i < 4; ++i) got[8 + i] = cpu.sregs[i];
    got[12] = cpu.ip;
    got[13] = cpu.flags;
    bool ok = true;
    for (int i = 0; i < 13; ++i) ok = ok && got[i] == expect[i];
    ok = ok && (got[13] & mask) == (expect[13] & mask);
    for (const ram_entry& e : ram_out) ok = ok && memory[e.address] == e.value;
    if (!ok && verbose && shown < show_limit) {
      ++shown;
      const json_value* name = c.find("name");
      std::printf("  FAIL %s\n", name && name->kind == json_value::string_kind ? name->text.c_str() : "?");
      for (int i = 0; i < 14; ++i)
        if (got[i] != expect[i])
          std::printf("    %s: got %04X want %04X (was %04X)\n", reg_names[i], got[i], expect[i], start[i]);
      for (const ram_entry& e : ram_out)
        if (memory[e.address] != e.value)
          std::printf("    [%05X]: got %02X want %02X\n", e.address, memory[e.address], e.value);
    }
    for (const ram_entry& e : ram_in) memory[e.address] = 0;
    for (const ram_entry& e : ram_out) memory[e.address] = 0;
    return ok;
  }
};

bool ends_with(const std::string& s, const char* suffix) {
  size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: cpu8086_cases DIR [-v]\n");
    return 2;
  }
  std::string dir = argv[1];
  case_runner runner;
  runner.verbose = argc > 2 && (std::strcmp(argv[2], "-v") == 0 || std::strcmp(argv[2], "-vv") == 0);
  if (argc > 2 && std::strcmp(argv[2], "-vv") == 0) runner.show_limit = 1 << 30;

  DIR* d = opendir(dir.c_str());
  if (!d) {
    std::fprintf(stderr, "cpu8086_cases: cannot open %s\n", dir.c_str());
    return 2;
  }
  std::vector<std::string> files;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (ends_with(name, ".json.gz")) files.push_back(name);
  }
  closedir(d);
  std::sort(files.begin(), files.end());

  json_value metadata;
  std::string meta_text;
  bool have_metadata = read_plain(dir + "/metadata.json", meta_text) && json_parse(meta_text, metadata);

  uint64_t passed_all = 0, total_all = 0;
  bool bad_file = false;
  for (const std::string& file : files) {
    std::string text;
    json_value cases;
    if (!read_gzip(dir + "/" + file, text) || !json_parse(text, cases) || cases.kind != json_value::array_kind) {
      std::printf("%s: unreadable\n", file.c_str());
      bad_file = true;
      continue;
    }
    uint16_t mask = flags_mask_for(have_metadata ? &metadata : nullptr, file);
    uint64_t passed = 0;
    bool malformed = false;
    runner.shown = 0;
    for (const json_value& c : cases.items)
      if (runner.run(c, mask, malformed)) ++passed;
    std::printf("%s: %llu/%zu%s\n", file.c_str(), static_cast<unsigned long long>(passed), cases.items.size(),
                malformed ? " (malformed cases)" : "");
    passed_all += passed;
    total_all += cases.items.size();
    bad_file = bad_file || malformed;
  }
  std::printf("total: %llu/%llu\n", static_cast<unsigned long long>(passed_all),
              static_cast<unsigned long long>(total_all));
  return (passed_all == total_all && !bad_file && total_all > 0) ? 0 : 1;
}
