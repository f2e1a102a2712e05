#pragma once
// Window operations asked for by other threads and carried out by the window
// thread, the only one that calls freeglut.
#include <cstdint>
#include <string>

enum class window_request_kind { set_title, show, hide, iconify, position, cursor };

void post_window_request(window_request_kind kind, int32_t a = 0, int32_t b = 0, std::string text = {});

// Window thread: carries out every request posted so far, in order.
void run_window_requests();
