// The octet-string Data values (variable and fixed size) and the bit string.
// None of them interprets its octets: the Data tag, the element name and the
// size rule are all that tell them apart.
#pragma once

#include "../INFRA/BitStr.h"
#include "../INFRA/OctetString.h"

namespace vantrel {

class T_OctetString final : public TOctetStringImpl<T_OctetString, TOctetString::kVariableSize> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_OctetString";
};

class T_VisibleString final : public TOctetStringImpl<T_VisibleString, TOctetString::kVariableSize> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_VisibleString";
};

class T_UTF8String final : public TOctetStringImpl<T_UTF8String, TOctetString::kVariableSize> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_UTF8String";
};

// Four octets of a float, written in the formatted octet notation.
class T_FloatingPoint final : public TOctetStringImpl<T_FloatingPoint, 4> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_FloatingPoint";
};

class T_DateTime final : public TOctetStringImpl<T_DateTime, 12> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_DateTime";
};

class T_Date final : public TOctetStringImpl<T_Date, 5> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_Date";
};

class T_Time final : public TOctetStringImpl<T_Time, 4> {
public:
    using TOctetStringImpl::TOctetStringImpl;
    static constexpr std::string_view kClassName = "T_Time";
};

class T_BitString final : public TElementImpl<T_BitString, TBitStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_BitString";
};

}  // namespace vantrel
