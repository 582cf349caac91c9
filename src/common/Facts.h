#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace wtb {

// One fact of a fault: a whole number (a slot, an index, a size, a limit), a real number (a
// rate, a ratio) or a text (a file, a name, what a tool printed).
class FactValue {
public:
    // (a template condition, not a concept: Qt's moc reads this header and cannot parse one)
    template <class Number, std::enable_if_t<std::is_integral_v<Number>, int> = 0>
    FactValue(Number number) : value_(static_cast<std::int64_t>(number)) {}
    FactValue(double number) : value_(number) {}
    FactValue(std::string text) : value_(std::move(text)) {}
    FactValue(const char* text) : value_(std::string(text)) {}
    FactValue(std::string_view text) : value_(std::string(text)) {}

    const std::variant<std::int64_t, double, std::string>& value() const { return value_; }
    bool operator==(const FactValue&) const = default;

private:
    std::variant<std::int64_t, double, std::string> value_;
};

// The facts that make a fault concrete (which slot, which file, which limit, how far over),
// each under a name its fault's wording and the tests look it up by.
class Facts {
public:
    Facts() = default;
    Facts(std::initializer_list<std::pair<std::string_view, FactValue>> facts);

    // A fact the wording needs but the raise site did not give is the program's own fault:
    // these raise ErrorKind::Internal.
    std::int64_t number(std::string_view name) const;
    double real(std::string_view name) const;
    const std::string& text(std::string_view name) const;
    bool has(std::string_view name) const;

    void add(std::string_view name, FactValue value);
    const std::vector<std::pair<std::string, FactValue>>& all() const { return facts_; }
    bool operator==(const Facts&) const = default;

private:
    const FactValue& find(std::string_view name) const;

    std::vector<std::pair<std::string, FactValue>> facts_;
};

} // namespace wtb
