#include "CosemNames.h"

namespace vantrel::names {

namespace {
// Word Index (from 0) of a blank-separated list, or empty.
std::string_view Word(std::string_view List, int Index) noexcept {
    while (!List.empty()) {
        const size_t end = List.find(' ');
        if (Index-- == 0) return List.substr(0, end);
        if (end == std::string_view::npos) break;
        List.remove_prefix(end + 1);
    }
    return {};
}
}  // namespace

const TClassRow* FindClass(int Id) noexcept {
    for (const TClassRow& row : kClasses)
        if (row.Id == Id) return &row;
    return nullptr;
}

std::string_view AttributeName(const TClassRow& Class, int Index) noexcept {
    if (Index == 1) return "logical_name";
    return Index >= 2 ? Word(Class.Attributes, Index - 2) : std::string_view{};
}

std::string_view MethodName(const TClassRow& Class, int Index) noexcept {
    return Index >= 1 ? Word(Class.Methods, Index - 1) : std::string_view{};
}

std::string_view ObjectName(const uint8_t* Groups) noexcept {
    for (const TObjectRow& row : kObjects) {
        bool match = true;
        for (int i = 0; i < 6 && match; ++i) match = row.Groups[i] == kAny || row.Groups[i] == Groups[i];
        if (match) return row.Name;
    }
    return {};
}

std::string_view UnitSymbol(int Value) noexcept {
    for (const TUnitRow& row : kUnits)
        if (row.Value == Value) return row.Symbol;
    return {};
}

}  // namespace vantrel::names
