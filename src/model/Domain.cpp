#include "Domain.h"

#include "ByteBuffer.h"

#include <algorithm>

namespace tqv {

std::optional<FunctionCode> functionCodeOf(std::string_view text)
{
    static constexpr std::pair<std::string_view, FunctionCode> kCodes[] = {
        {"1", FunctionCode::ReadCoils},           {"2", FunctionCode::ReadDiscreteInputs},
        {"3", FunctionCode::ReadHoldingRegisters}, {"4", FunctionCode::ReadInputRegisters},
        {"5", FunctionCode::WriteSingleCoil},      {"6", FunctionCode::WriteSingleRegister},
        {"15", FunctionCode::WriteMultipleCoils},  {"16", FunctionCode::WriteMultipleRegisters},
    };
    for (const auto &[t, fc] : kCodes)
        if (t == text)
            return fc;
    return std::nullopt;
}

std::string functionCodeText(FunctionCode fc) { return std::to_string(static_cast<int>(fc)); }

namespace {

template <typename Predicate> bool holds(std::string_view functionCode, Predicate predicate)
{
    const auto fc = functionCodeOf(functionCode);
    return fc && predicate(*fc);
}

} // namespace

bool isBitFunction(std::string_view functionCode)
{
    return holds(functionCode, [](FunctionCode fc) { return isBitFunction(fc); });
}
bool isRegisterFunction(std::string_view functionCode)
{
    return holds(functionCode, [](FunctionCode fc) { return isRegisterFunction(fc); });
}
bool isReadFunction(std::string_view functionCode)
{
    return holds(functionCode, [](FunctionCode fc) { return isReadFunction(fc); });
}
bool isWriteFunction(std::string_view functionCode)
{
    return holds(functionCode, [](FunctionCode fc) { return isWriteFunction(fc); });
}
bool isSingleWrite(std::string_view functionCode)
{
    return holds(functionCode, [](FunctionCode fc) { return isSingleWrite(fc); });
}
bool isFunction(std::string_view functionCode, FunctionCode fc) { return functionCodeOf(functionCode) == fc; }

long commandByteLength(FunctionCode fc, long quantity)
{
    const long n = quantity < 0 ? 0 : quantity;
    switch (fc) {
    case FunctionCode::WriteSingleCoil:
        return 1;
    case FunctionCode::WriteSingleRegister:
        return 2;
    case FunctionCode::ReadCoils:
    case FunctionCode::ReadDiscreteInputs:
    case FunctionCode::WriteMultipleCoils:
        return n / kBitsPerByte + (n % kBitsPerByte != 0 ? 1 : 0);
    case FunctionCode::ReadHoldingRegisters:
    case FunctionCode::ReadInputRegisters:
    case FunctionCode::WriteMultipleRegisters:
        return n * 2;
    }
    return 0;
}

long commandBitLength(FunctionCode fc, long quantity)
{
    const long n = quantity < 0 ? 0 : quantity;
    return isBitFunction(fc) ? n : n * 16;
}

std::vector<std::uint8_t> profibusConfigDataBytes(std::string_view text)
{
    const auto digit = [](char c) { return std::max(hexDigit(c), 0); };
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3)
        bytes.push_back(static_cast<std::uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
    return bytes;
}

} // namespace tqv
