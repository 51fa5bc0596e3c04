// The fixed-width scalar Data values: boolean, integers of 8 to 64 bits,
// enum, bcd and the two IEEE floats.
#pragma once

#include "../INFRA/FixedWidth.h"

namespace vantrel {

// Boolean, held as the octet it was read as (every value 0 to 255 kept).
class T_Boolean final : public TFixedWidthImpl<T_Boolean, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Boolean";
};

class T_Integer8 final : public TFixedWidthImpl<T_Integer8, int8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Integer8";
};

class T_Unsigned8 final : public TFixedWidthImpl<T_Unsigned8, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Unsigned8";
};

class T_Integer16 final : public TFixedWidthImpl<T_Integer16, int16_t, 2> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Integer16";
};

class T_Unsigned16 final : public TFixedWidthImpl<T_Unsigned16, uint16_t, 2> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Unsigned16";
};

class T_Integer32 final : public TFixedWidthImpl<T_Integer32, int32_t, 4> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Integer32";
};

class T_Unsigned32 final : public TFixedWidthImpl<T_Unsigned32, uint32_t, 4> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Unsigned32";
};

class T_Integer64 final : public TFixedWidthImpl<T_Integer64, int64_t, 8> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Integer64";
};

// The eight octets' bit pattern as a signed number: ranges and comparisons
// treat a first octet of 80 hex or more as negative.
class T_Unsigned64 final : public TFixedWidthImpl<T_Unsigned64, int64_t, 8> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Unsigned64";
};

class T_Enum final : public TFixedWidthImpl<T_Enum, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Enum";
};

// The octet as read; its nibbles need not be decimal digits.
class T_Bcd final : public TFixedWidthImpl<T_Bcd, int8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Bcd";
};

class T_Float32 final : public TFixedWidthImpl<T_Float32, float, 4> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Float32";
};

class T_Float64 final : public TFixedWidthImpl<T_Float64, double, 8> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_Float64";
};

}  // namespace vantrel
