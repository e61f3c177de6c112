// KUVO: the program's own platform services on Linux. Options from the
// environment, the log file, the clock and precise sleeping, mutexes,
// detached threads, the message box and the working-set report.
#pragma once
#include <cstdint>

// Options: KUVO_OPTIONS holds bracketed settings such as [sound-rate:44100].
int option_flag(const char* name, int default_value);
int option_int(const char* name, int default_value);
// Forget the cached option text so the next query reads KUVO_OPTIONS again.
void kuvo_options_reset();

// The log file. A null format closes it. "KUVO_LOGFILE=<name>" as the first
// message names the default file; DC3 "FLUSH" / "NOFLUSH" toggle flushing.
void kuvo_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void kuvo_error(const char* text);
const char* kuvo_last_error();
// Close the log and forget that it was ever opened, so the next message
// reads KUVO_LOGFILE and KUVO_LOGFILE_FLAGS again.
void kuvo_log_reset();
// "[h:mm:ss.cc] " for a millisecond count; buffer of at least 32 bytes.
void kuvo_format_stamp(char* buffer, int size, uint64_t milliseconds);

// The millisecond clock since boot.
void get_time(long* seconds, long* microseconds);
uint64_t get_time_ms();
// Seconds as a double, for frame timing (millisecond resolution).
double get_time_seconds();
void sleep_precise(long seconds, long microseconds);

struct KuvoMutex;
KuvoMutex* mutex_create();
bool mutex_lock(KuvoMutex* mutex);
void mutex_unlock(KuvoMutex* mutex);
void mutex_close(KuvoMutex* mutex);

// A detached thread; false when it could not be started.
bool start_thread(void (*function)(void*), void* argument);

// Shows a modal box with an OK button, or writes title and text to standard
// error when no display is to be used. Text is cut to 1023 characters.
int message_box(const char* title, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Headless runs never open a window of any kind, message boxes included.
void kuvo_set_headless(bool headless);
bool kuvo_headless();

void tune_working_set();
