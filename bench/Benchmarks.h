#pragma once

#include <QString>

namespace velmora::app {
class MainWindow;
}

namespace velmora::bench {

// The name searches measured, by label: a rare name, a common character and
// an English word.
struct NameQuery {
    const char *label;
    const char *route;
    const char *text;
};
inline constexpr NameQuery NameQueries[] = {
    {"rare", "中文名称", "冰洲石"},
    {"common", "中文名称", "酸"},
    {"english", "英文名称", "chloride"},
};

// Puts text into the search box and presses Enter there, as a user does;
// the route must be set already.
void searchFromKeyboard(app::MainWindow &window, const QString &text);

void registerSearchBenchmarks();
void registerTypedSearchBenchmarks();
void registerStartupBenchmarks();
void registerMemoryBenchmarks();

// The parts of the measurements that run in a process of their own; they
// print one line "key=value ..." on standard output and return the exit code.
int runStartupChild(const QString &folder);
int runMemoryChild(const QString &folder);

} // namespace velmora::bench
