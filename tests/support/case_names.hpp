// Readable names for parameterised cases, so that ctest lists Protocol7_Up rather than a dump of
// the parameter's bytes: a function gives each case its name from its fields; characters that
// cannot be in a test name become '_', and a name given twice in one instantiation gets _2, _3.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kavro::test {

// Letters, digits and '_' kept; '-' becomes "Minus" at the start (so that -7 and 7 differ);
// every other character '_'.
std::string identifier(std::string_view text);

template <class Param>
class CaseNames {
  public:
    explicit CaseNames(std::function<std::string(const Param&)> name)
        : name_(std::move(name)), seen_(std::make_shared<std::map<std::string, int>>()) {}

    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        const std::string name = identifier(name_(info.param));
        const int count = ++(*seen_)[name];
        return count == 1 ? name : name + "_" + std::to_string(count);
    }

  private:
    std::function<std::string(const Param&)> name_;
    std::shared_ptr<std::map<std::string, int>> seen_;  // shared by the copies gtest makes
};

}  // namespace kavro::test
