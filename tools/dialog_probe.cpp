// Starts a dialog program under Wine and watches it from outside, for the scripts:
//   dialog_probe show <program> <ready-file> <go-file>
//       waits until the program's dialog is up with its values filled, writes its
//       window rectangle ("x y width height") to <ready-file>, waits until
//       <go-file> exists (the screenshot is taken), then presses "Annuler" and
//       waits for the program to end.
//   dialog_probe bench <runs> <program> <floor-program>
//       times each program from process start until its dialog is visible and
//       filled, alternating the two, and prints the medians and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/dialog_driver.h"

namespace {

using namespace dialog_driver;

constexpr DWORD kTimeoutMs = 20000;

// The program's dialog once it is up and filled; null, said, when it does not come.
HWND DialogOf(const RunningProgram& run, const std::string& program)
{
    HWND dialog = run.Started() ? run.WaitForDialog(kTimeoutMs) : nullptr;
    if (dialog == nullptr)
        std::fprintf(stderr, "%s showed no dialog (error %lu)\n", program.c_str(), GetLastError());
    return dialog;
}

// "Annuler", and the program's end.
bool Cancel(const RunningProgram& run, HWND dialog)
{
    Click(dialog, IDCANCEL);
    return run.WaitForExit(kTimeoutMs) != -1;
}

// The time from the program's start until its dialog is filled; it is then cancelled.
bool TimeToDialog(const std::string& program, double& ms)
{
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    RunningProgram run(program);
    HWND dialog = DialogOf(run, program);
    QueryPerformanceCounter(&t1);
    ms = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart);
    return dialog != nullptr && Cancel(run, dialog);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Show(const std::string& program, const std::string& readyFile, const std::string& goFile)
{
    RunningProgram run(program);
    HWND dialog = DialogOf(run, program);
    if (dialog == nullptr)
        return 1;
    // Painted through before anyone looks at it.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rc;
    GetWindowRect(dialog, &rc);
    if (std::FILE* f = std::fopen(readyFile.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        std::fclose(f);
    }
    WaitUntil(60000, 20, [&] { return GetFileAttributesA(goFile.c_str()) != INVALID_FILE_ATTRIBUTES; });
    return Cancel(run, dialog) ? 0 : 1;
}

int Bench(int runs, const std::string& program, const std::string& floor)
{
    std::vector<double> ours, bare;
    for (int i = 0; i < runs + 1; ++i) {
        double a = 0, b = 0;
        if (!TimeToDialog(program, a) || !TimeToDialog(floor, b))
            return 1;
        if (i == 0)
            continue;   // the first start of each loads what later ones find ready
        ours.push_back(a);
        bare.push_back(b);
        std::printf("run %2d: setup %7.1f ms, floor %7.1f ms\n", i, a, b);
    }
    const double m1 = Median(ours), m2 = Median(bare);
    std::printf("median over %d runs: setup %.1f ms, floor %.1f ms, ratio %.3f\n", runs, m1, m2, m1 / m2);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "show") == 0)
        return Show(WindowsPath(argv[2]), WindowsPath(argv[3]), WindowsPath(argv[4]));
    if (argc == 5 && std::strcmp(argv[1], "bench") == 0)
        return Bench(std::atoi(argv[2]), WindowsPath(argv[3]), WindowsPath(argv[4]));
    std::fprintf(stderr, "usage: dialog_probe show <program> <ready-file> <go-file>\n"
                         "       dialog_probe bench <runs> <program> <floor-program>\n");
    return 2;
}
