// Ends a test program whose test runs too long (a dialog or a box that nothing
// closes, a wait that never ends) or crashes (which would wait for a debugger). It
// says which test and ends the process, so the run fails within seconds instead of
// hanging; what the test started (a program, a window) ends with it or is left to
// the test session's end.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace testing_watchdog {

// Says why on the error output, and ends the process at once.
inline void EndTheProgram(const char* why)
{
    std::fprintf(stderr, "\n%s\n", why);
    std::fflush(stderr);
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(LONGLONG limitMs) : m_limitMs(limitMs)
    {
        std::thread([this] {
            for (;;) {
                ::Sleep(100);
                // A signed difference: the start, read on the test's thread, may be a
                // tick ahead of this thread's clock.
                const ULONGLONG started = m_started;
                if (started != 0 && static_cast<LONGLONG>(::GetTickCount64() - started) > m_limitMs) {
                    char why[320];
                    std::snprintf(why, sizeof why, "%s: still running after %lu s, ended by the watchdog", m_name,
                                  static_cast<unsigned long>(m_limitMs / 1000));
                    EndTheProgram(why);
                }
            }
        }).detach();
    }

    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::snprintf(m_name, sizeof m_name, "%s.%s", info.test_suite_name(), info.name());
        m_started = ::GetTickCount64();    // never 0 once the system has run a millisecond
    }
    void OnTestEnd(const ::testing::TestInfo&) override { m_started = 0; }

private:
    LONGLONG m_limitMs;
    std::atomic<ULONGLONG> m_started{0};   // 0 between tests
    char m_name[256] = {};
};

inline LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pInfo)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char why[320];
    std::snprintf(why, sizeof why, "%s.%s: crashed (exception 0x%08lx at %p)", test ? test->test_suite_name() : "",
                  test ? test->name() : "", pInfo->ExceptionRecord->ExceptionCode, pInfo->ExceptionRecord->ExceptionAddress);
    EndTheProgram(why);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Watches every test of the program from now on; gtest owns the listener.
inline void Install(LONGLONG limitMs)
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(limitMs));
    ::SetUnhandledExceptionFilter(ReportCrash);
}

}  // namespace testing_watchdog
