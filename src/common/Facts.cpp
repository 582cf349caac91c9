#include "common/Facts.h"

#include "common/RuntimeError.h"

#include <algorithm>

namespace wtb {

Facts::Facts(std::initializer_list<std::pair<std::string_view, FactValue>> facts) {
    for (const auto& [name, value] : facts) {
        add(name, value);
    }
}

void Facts::add(std::string_view name, FactValue value) {
    facts_.emplace_back(std::string(name), std::move(value));
}

bool Facts::has(std::string_view name) const {
    return std::ranges::any_of(facts_, [&](const auto& fact) { return fact.first == name; });
}

const FactValue& Facts::find(std::string_view name) const {
    const auto fact =
        std::ranges::find_if(facts_, [&](const auto& each) { return each.first == name; });
    if (fact == facts_.end()) {
        raise(ErrorKind::Internal, "A message needs the fact \"" + std::string(name) +
                                       "\", which its fault did not give.");
    }
    return fact->second;
}

template <class Value> const Value& factAs(const FactValue& fact, std::string_view name) {
    const Value* value = std::get_if<Value>(&fact.value());
    if (value == nullptr) {
        raise(ErrorKind::Internal, "The fact \"" + std::string(name) +
                                       "\" of a fault is not of the kind its message reads.");
    }
    return *value;
}

std::int64_t Facts::number(std::string_view name) const {
    return factAs<std::int64_t>(find(name), name);
}

double Facts::real(std::string_view name) const {
    const FactValue& fact = find(name);
    if (const auto* whole = std::get_if<std::int64_t>(&fact.value())) {
        return static_cast<double>(*whole);
    }
    return factAs<double>(fact, name);
}

const std::string& Facts::text(std::string_view name) const {
    return factAs<std::string>(find(name), name);
}

} // namespace wtb
