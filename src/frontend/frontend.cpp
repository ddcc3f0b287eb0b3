// Holds the installed front end.
#include "frontend/frontend.h"

namespace {
std::atomic<Frontend*> g_frontend{nullptr};
}

Frontend* frontend() { return g_frontend.load(std::memory_order_acquire); }

void frontend_install(Frontend* front) { g_frontend.store(front, std::memory_order_release); }
