#pragma once

#include <QString>

namespace velmora::app {
class MainWindow;
}

namespace velmora::bench {

// The searches measured, by label: a rare name, a common character, an
// English word, a formula's beginning (the property route) and a use keyword.
struct NameQuery {
    const char *label;
    const char *route;
    const char *text;
};
inline constexpr NameQuery NameQueries[] = {
    {"rare", "中文名称", "冰洲石"},
    {"common", "中文名称", "酸"},
    {"english", "英文名称", "chloride"},
    {"prefix", "分子式", "C6H"},
    {"use", "用途", "溶剂"},
};

// The routes through the search keys and a name route's second try, each
// measured from Enter to the record shown beside the name searches above.
inline constexpr NameQuery TypedRouteQueries[] = {
    {"cas", "CAS号", "64-17-5"},          {"cas_on_name_route", "中文名称", "64-17-5"},
    {"formula", "分子式", "C2H5OH"},      {"pinyin", "拼音", "yichun"},
    {"pinyin_on_name_route", "中文名称", "yichun"}, {"initials", "拼音", "yc"},
    {"element", "元素", "Fe"},            {"elements", "元素", "Cu S"},
};

// Puts text into the search box and presses Enter there, as a user does;
// the route must be set already.
void searchFromKeyboard(app::MainWindow &window, const QString &text);

void registerSearchBenchmarks();
void registerTypedSearchBenchmarks();
void registerStructureBenchmarks();
void registerStartupBenchmarks();
void registerMemoryBenchmarks();

// The parts of the measurements that run in a process of their own; they
// print one line "key=value ..." on standard output and return the exit code.
int runStartupChild(const QString &folder);
int runMemoryChild(const QString &folder);

} // namespace velmora::bench
