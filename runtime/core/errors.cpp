#include "runtime/core/core.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/core/file_flush.h"
#include "runtime/platform/platform.h"

namespace {

struct error_text {
  int32_t code;
  const char* message;
};

constexpr error_text error_table[] = {
    {err_next_without_for, "NEXT without FOR"},
    {err_syntax_error, "Syntax error"},
    {err_return_without_gosub, "RETURN without GOSUB"},
    {err_out_of_data, "Out of DATA"},
    {err_illegal_function_call, "Illegal function call"},
    {err_overflow, "Overflow"},
    {err_out_of_memory, "Out of memory"},
    {err_label_not_defined, "Label not defined"},
    {err_subscript_out_of_range, "Subscript out of range"},
    {err_duplicate_definition, "Duplicate definition"},
    {err_illegal_in_direct_mode, "Illegal in direct mode"},
    {err_type_mismatch, "Type mismatch"},
    {err_out_of_string_space, "Out of string space"},
    {err_string_formula_too_complex, "String formula too complex"},
    {err_cannot_continue, "Cannot continue"},
    {err_function_not_defined, "Function not defined"},
    {err_no_resume, "No RESUME"},
    {err_resume_without_error, "RESUME without error"},
    {err_device_timeout, "Device timeout"},
    {err_device_fault, "Device fault"},
    {err_for_without_next, "FOR without NEXT"},
    {err_out_of_paper, "Out of paper"},
    {err_while_without_wend, "WHILE without WEND"},
    {err_wend_without_while, "WEND without WHILE"},
    {err_duplicate_label, "Duplicate label"},
    {err_subprogram_not_defined, "Subprogram not defined"},
    {err_argument_count_mismatch, "Argument-count mismatch"},
    {err_array_not_defined, "Array not defined"},
    {err_variable_required, "Variable required"},
    {err_field_overflow, "FIELD overflow"},
    {err_internal_error, "Internal error"},
    {err_bad_file_name_or_number, "Bad file name or number"},
    {err_file_not_found, "File not found"},
    {err_bad_file_mode, "Bad file mode"},
    {err_file_already_open, "File already open"},
    {err_field_statement_active, "FIELD statement active"},
    {err_device_io_error, "Device I/O error"},
    {err_file_already_exists, "File already exists"},
    {err_bad_record_length, "Bad record length"},
    {err_disk_full, "Disk full"},
    {err_input_past_end_of_file, "Input past end of file"},
    {err_bad_record_number, "Bad record number"},
    {err_bad_file_name, "Bad file name"},
    {err_too_many_files, "Too many files"},
    {err_device_unavailable, "Device unavailable"},
    {err_communication_buffer_overflow, "Communication-buffer overflow"},
    {err_permission_denied, "Permission denied"},
    {err_disk_not_ready, "Disk not ready"},
    {err_disk_media_error, "Disk-media error"},
    {err_feature_unavailable, "Feature unavailable"},
    {err_rename_across_disks, "Rename across disks"},
    {err_path_file_access_error, "Path/File access error"},
    {err_path_not_found, "Path not found"},
    {err_invalid_handle, "Invalid handle"},
    {err_memory_region_out_of_range, "Memory region out of range"},
    {err_invalid_size, "Invalid size"},
    {err_source_region_out_of_range, "Source memory region out of range"},
    {err_destination_region_out_of_range, "Destination memory region out of range"},
    {err_both_regions_out_of_range, "Source and destination memory regions out of range"},
    {err_source_memory_freed, "Source memory has been freed"},
    {err_destination_memory_freed, "Destination memory has been freed"},
    {err_memory_already_freed, "Memory already freed"},
    {err_memory_freed, "Memory has been freed"},
    {err_memory_not_initialized, "Memory not initialized"},
    {err_source_memory_not_initialized, "Source memory not initialized"},
    {err_destination_memory_not_initialized, "Destination memory not initialized"},
    {err_both_memories_not_initialized, "Source and destination memory not initialized"},
    {err_both_memories_freed, "Source and destination memory have been freed"},
    {err_machine_divide_error, "Divide error in machine code"},
    {err_machine_invalid_opcode, "Invalid opcode in machine code"},
    {err_machine_halt, "Machine code halted"},
};

// "Machine code called INT nnh, which is not served" for each n.
struct interrupt_messages {
  char text[256][56];
  constexpr interrupt_messages() : text() {
    constexpr char head[] = "Machine code called INT ";
    constexpr char tail[] = "h, which is not served";
    constexpr char digits[] = "0123456789ABCDEF";
    for (int n = 0; n < 256; ++n) {
      int k = 0;
      for (int i = 0; head[i]; ++i) text[n][k++] = head[i];
      text[n][k++] = digits[n >> 4];
      text[n][k++] = digits[n & 15];
      for (int i = 0; tail[i]; ++i) text[n][k++] = tail[i];
      text[n][k] = 0;
    }
  }
};
constexpr interrupt_messages interrupt_message_table{};

// The memory errors end the program after their box: no "Continue?".
bool is_critical(int32_t n) { return n >= err_memory_region_out_of_range && n <= err_both_memories_freed; }

// Fatal kinds: message and caption of their box.
bool fatal_box(int32_t n, const char** message, char* caption, size_t caption_size) {
  if (n == err_division_by_zero) {
    *message = "Division by zero";
    std::snprintf(caption, caption_size, "Critical Error");
    return true;
  }
  if ((n >= err_image_table_growth && n <= err_arena_growth) ||
      (n >= err_descriptor_stack_growth && n <= err_input_work_copy)) {
    *message = "Out of memory";
    std::snprintf(caption, caption_size, "Critical Error #%d", n - 500);
    return true;
  }
  return false;
}

// Measures, then formats into a buffer of exactly the text's length plus one.
template <typename... Args>
char* format_exact(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  if (n < 0) return nullptr;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (buffer) std::snprintf(buffer, static_cast<size_t>(n) + 1, format, args...);
  return buffer;
}

}  // namespace

const char* error_message(int32_t n) {
  if (n >= err_machine_interrupt_base && n < err_machine_interrupt_base + 256)
    return interrupt_message_table.text[n - err_machine_interrupt_base];
  for (const auto& e : error_table)
    if (e.code == n) return e.message;
  return "Unprintable error";
}

int32_t raise_error(int32_t n) {
  const char* message;
  char caption[32];
  if (fatal_box(n, &message, caption, sizeof caption)) {
    message_box(message, caption, mb_style_system_modal);
    process_exit(0);
  }
  int32_t pending = error_report.pending.load();
  if (pending != 0) return pending;
  if (n <= 0) n = err_illegal_function_call;
  error_report.pending.store(n);
  run_flags.event_pending.store(1);
  return n;
}

bool format_error_dialog(int32_t n, int32_t line, int32_t sub_line, const char* sub_name,
                         error_dialog_text* out) {
  const bool critical = is_critical(n);
  const char* place = "main module";
  uint32_t shown_line = static_cast<uint32_t>(line);
  if (sub_line != 0) {
    shown_line = static_cast<uint32_t>(sub_line);
    place = sub_name ? sub_name : "";
  }
  out->body = format_exact("Line: %u (in %s)\n%s%s", shown_line, place, error_message(n),
                           critical ? "" : "\nContinue?");
  out->caption = format_exact("%s%u", critical ? "Critical Error #" : "Unhandled Error #",
                              static_cast<uint32_t>(n));
  if (out->body && out->caption) return true;
  std::free(out->body);
  std::free(out->caption);
  out->body = out->caption = nullptr;
  return false;
}

void handle_error() {
  const int32_t n = error_report.pending.load();
  error_dialog_text text{};
  if (!format_error_dialog(n, error_report.line, error_report.sub_line, error_report.sub_name, &text)) process_exit(0);
  // The dialog may stay up for long: what the program wrote goes to its files first.
  ask_file_flush();

  if (is_critical(n)) {
    message_box(text.body, text.caption, mb_style_ok);
    process_exit(0);
  }
  const int32_t answer = message_box(text.body, text.caption, mb_style_system_modal | mb_style_yes_no);
  std::free(text.body);
  std::free(text.caption);
  if (answer == mb_answer_no || answer == mb_answer_ok) {
    run_flags.stop_request.store(1);
    stop_program_thread();
  }
  error_report.pending.store(0);
}

int32_t message_box(const char* text, const char* caption, uint32_t style) {
  return platform_message_box(text, caption, style, window_facts.handle.load());
}

void alert(const char* text) { platform_message_box(text, "Alert", mb_style_ok, 0); }

void alert_number(int32_t n) {
  char buffer[100] = {};
  std::snprintf(buffer, sizeof buffer, "%d", n);
  alert(buffer);
}
