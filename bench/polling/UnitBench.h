#pragma once
// What the benchmarks of live unit windows share: the CPU time of the calling thread and a messenger that
// answers nothing.

#include "common/Messenger.h"

#include <QString>

#include <time.h>

#include <cstdio>
#include <optional>

namespace unit_bench {

inline double threadCpu_s() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Nobody answers questions during a benchmark; any message is printed and counted.
class CountingMessenger : public Messenger {
  public:
    int shown = 0;
    void info(const QString& text, const QString&, MsgIcon) override { note(text); }
    bool okCancel(const QString& text, const QString&, MsgIcon) override { return note(text), true; }
    bool yesNo(const QString& text, const QString&, MsgIcon) override { return note(text), true; }
    std::optional<QString> inputBox(const QString& text, const QString&, const QString&) override {
        note(text);
        return std::nullopt;
    }

  private:
    void note(const QString& text) {
        ++shown;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

}  // namespace unit_bench
