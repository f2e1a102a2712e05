#include "runtime/host/host.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/gpu/gpu.h"
#include "runtime/host/detail/window_thread.h"
#include "runtime/input/input.h"
#include "runtime/os/os.h"
#include "runtime/platform/desktop_window.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

void (*compiled_main)() = nullptr;

constexpr int32_t first_window_width = 640, first_window_height = 400;

// Whether a window manager runs, and where the window opens when none places it.
bool window_manager_running = false;
int32_t unmanaged_x = -1, unmanaged_y = -1;

void program_thread() {
  name_this_thread("program");
  mark_program_thread();
  compiled_main();
  // The compiled routine ends in program_end, which never returns.
}

const char* display_name() {
  const char* name = std::getenv("DISPLAY");
  return name ? name : "";
}

// How long a failed first connection waits before the one retry: a server
// that resets when its last client leaves (the X default) refuses clients
// for a moment meanwhile.
constexpr int32_t display_retry_ms = 250;

// With no X server, or one without OpenGL, there is nothing to show: say so on
// one line and end at once with status 1. The connection it returns stays open
// until freeglut has connected, so that the server, holding a client, cannot
// reset in between.
Display* require_display() {
  Display* probe = XOpenDisplay(nullptr);
  if (!probe) {
    platform_sleep(display_retry_ms);
    probe = XOpenDisplay(nullptr);
  }
  if (!probe) {
    std::fprintf(stderr, "quintaro: cannot open the X display \"%s\"\n", display_name());
    process_exit(1);
  }
  int error_base = 0, event_base = 0;
  const bool has_gl = glXQueryExtension(probe, &error_base, &event_base);
  // With no window manager nothing places a new window: open it centred.
  window_manager_running = has_gl && desktop_window_manager_running(probe);
  if (has_gl && !window_manager_running) {
    int32_t w = 0, h = 0;
    desktop_screen_size(probe, &w, &h);
    desktop_centred_origin(w, h, first_window_width, first_window_height, &unmanaged_x, &unmanaged_y);
  }
  if (!has_gl) {
    XCloseDisplay(probe);
    std::fprintf(stderr, "quintaro: the X display \"%s\" has no OpenGL (GLX)\n", display_name());
    process_exit(1);
  }
  return probe;
}

void prepare_runtime_state(int argc, char** argv) {
  frame_ring_reset();
  hardware_images_init();
  render_commands_init();
  mouse_queues_init();
  network_lists_init();
  trap_tables_init();
  environment_init();
  screen_tables_init();
  arena_init();
  std::memset(conventional_memory, 0, sizeof conventional_memory);
  strings_init();
  capture_startup_dir();
  enter_executable_folder();
  command_line_init(argc, argv);
  sync_clock_bases();
  update_bios_ticks();  // the tick count is right from the first statement, not only after the main loop's first pass
  take_keyboard_state();
  cm_write16(bios_kbd_head, 0x001E);
  cm_write16(bios_kbd_tail, 0x001E);
  screen_first_mode();
  screen_icons_init();
  window_icon_capture();
  device_table_init();
}

void start_threads() {
  std::thread(program_thread).detach();
  std::thread(timer_thread).detach();
  display_link.ready.store(1);
  std::thread(main_loop).detach();
}

// The class, process, host and icon that task bars and desktop entries know the
// window by; a window manager, which took the window on before they were set, takes
// it on again.
void identify_window(Display* display, Window window) {
  std::vector<desktop_icon> icons;
  for (const window_icon_image& image : window_icon_images())
    icons.push_back({image.width, image.height, image.argb.data()});
  desktop_window_identify(display, window,
                          {"quintaro", "Quintaro", icons.data(), static_cast<int32_t>(icons.size())});
  if (window_manager_running) desktop_window_remap(display, window);
}

void open_window(int argc, char** argv) {
  if (window_presence.hidden.load() == 0) window_presence.may_open.store(1);
  window_presence.may_open.wait(0);  // a hidden screen opens the window when first shown

  Display* probe = require_display();
  window_creation_errors_trap();
  glutInit(&argc, argv);
  XCloseDisplay(probe);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(first_window_width, first_window_height);
  if (unmanaged_x >= 0) glutInitWindowPosition(unmanaged_x, unmanaged_y);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
  if (glutGet(GLUT_DISPLAY_MODE_POSSIBLE) == 0) {
    std::fprintf(stderr, "quintaro: the X display \"%s\" offers no OpenGL visual with RGBA colour, "
                 "double buffering and depth\n", display_name());
    process_exit(1);
  }

  const std::string title = window_title_text();
  glutCreateWindow(title.empty() ? "Untitled" : title.c_str());
  // Before anything else reads events: a close request that came while the
  // window was being made must reach the runtime, not freeglut.
  window_procedure_install();
  window_facts.handle.store(static_cast<unsigned long>(glXGetCurrentDrawable()));
  window_presence.desktop_width.store(glutGet(GLUT_SCREEN_WIDTH));
  window_presence.desktop_height.store(glutGet(GLUT_SCREEN_HEIGHT));
  window_presence.exists.store(1);

  const GLenum glew_status = glewInit();
  if (glew_status != GLEW_OK) alert(reinterpret_cast<const char*>(glewGetErrorString(glew_status)));
  if (glewIsSupported("GL_EXT_framebuffer_object")) window_facts.fbo_supported.store(1);

  glutDisplayFunc(display_callback);
  window_toolkit_register();
  // Named last, so that a window that carries its class takes input.
  identify_window(glXGetCurrentDisplay(), glXGetCurrentDrawable());
  window_creation_errors_release(glXGetCurrentDisplay());
}

}  // namespace

int runtime_main(int argc, char** argv, void (*program_main)()) {
  XInitThreads();  // several threads hold X connections of their own
  process_end_install();
  compiled_main = program_main;
  prepare_runtime_state(argc, argv);
  start_threads();
  open_window(argc, argv);
  window_loop();
}
