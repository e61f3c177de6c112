// Clock, sleeping, mutexes, threads, the message box and the working-set
// report, on POSIX and SDL.
#include "platform/kuvo.h"

#include <SDL.h>
#include <sched.h>
#include <sys/sysinfo.h>
#include <time.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

uint64_t get_time_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (uint64_t)ts.tv_sec * 1000 + (uint64_t)ts.tv_nsec / 1000000;
}

void get_time(long* seconds, long* microseconds) {
  uint64_t t = get_time_ms();
  *seconds = (long)(t / 1000);
  *microseconds = (long)(t % 1000) * 1000;
}

double get_time_seconds() {
  return (double)get_time_ms() * 0.001;
}

static uint64_t now_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (uint64_t)ts.tv_sec * 1000000000ull + (uint64_t)ts.tv_nsec;
}

// Sleeps a millisecond short, then yields until the deadline, so frame
// pacing overshoots by well under a millisecond.
void sleep_precise(long seconds, long microseconds) {
  uint64_t deadline = now_ns() + (uint64_t)seconds * 1000000000ull + (uint64_t)microseconds * 1000ull;
  long ms = seconds * 1000 + microseconds / 1000;
  long coarse = ms > 1 ? ms - 1 : ms;
  if (coarse > 0) {
    timespec ts = {coarse / 1000, (coarse % 1000) * 1000000};
    nanosleep(&ts, nullptr);
  }
  while (now_ns() < deadline) sched_yield();
}

struct KuvoMutex {
  std::recursive_mutex m;
};

KuvoMutex* mutex_create() { return new KuvoMutex; }
bool mutex_lock(KuvoMutex* mutex) {
  mutex->m.lock();
  return true;
}
void mutex_unlock(KuvoMutex* mutex) { mutex->m.unlock(); }
void mutex_close(KuvoMutex* mutex) { delete mutex; }

bool start_thread(void (*function)(void*), void* argument) {
  try {
    std::thread(function, argument).detach();
  } catch (...) {
    return false;
  }
  return true;
}

static bool headless_run = false;
void kuvo_set_headless(bool headless) { headless_run = headless; }
bool kuvo_headless() { return headless_run; }

int message_box(const char* title, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  bool display = getenv("DISPLAY") || getenv("WAYLAND_DISPLAY");
  if (!headless_run && display &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title, text, nullptr) == 0)
    return 1;
  fprintf(stderr, "%s: %s%s", title, text, text[0] && text[strlen(text) - 1] == '\n' ? "" : "\n");
  return 1;
}

void tune_working_set() {
  struct sysinfo info;
  if (sysinfo(&info) != 0) return;
  unsigned long long physical = (unsigned long long)info.totalram * info.mem_unit;
  const unsigned long long mib = 1024ull * 1024ull;
  if (physical < 64 * mib) {
    kuvo_log("Working set left alone - less than 64 MB physical memory\n");
    return;
  }
  if (physical > 2048 * mib) physical = 2048 * mib;
  unsigned long long maximum = physical - 32 * mib;
  unsigned long long minimum = maximum < 1024 * mib ? maximum : 1024 * mib;
  // Linux offers no working-set range for a process; say so instead of
  // claiming an update.
  kuvo_log("Working set range %u - %u not applied: the kernel manages it\n", (unsigned)minimum,
           (unsigned)maximum);
}
