#include "GatewayLimits.h"
#include "ModelProfile.h"

#include "resources/Strings.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace tqv {

std::optional<long> registerQuantityLimit(const ConfigStore &s)
{
    return profileOf(s).registerQuantityLimit;
}

std::optional<long> bitQuantityLimit(const ConfigStore &s)
{
    return profileOf(s).bitQuantityLimit;
}

BufferRange bufferRange(const ConfigStore &s)
{
    return profileOf(s).bufferRange;
}

namespace {

// The C library's decimal reading (leading digits, 0 when there are none), kept within int.
long decimalOf(const std::string &text)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<long>(v));
}

} // namespace

std::optional<BufferSizes> fixedMappingLimits(const ConfigStore &s)
{
    return profileOf(s).fixedMappingLimits;
}

std::optional<BufferSizes> fixedDownloadSizes(const ConfigStore &s)
{
    return profileOf(s).fixedDownloadSizes;
}

bool sizesFromProfibusConfigData(const ConfigStore &s)
{
    return (s.modelFlag1 || s.modelFlag6) && s.fieldbus.profibusConfigMode == text(StrId::ProfibusInputConfigData);
}

BufferSizes fieldbusSizes(const ConfigStore &s)
{
    return BufferSizes{decimalOf(s.fieldbus.inputSize), decimalOf(s.fieldbus.outputSize)};
}

std::optional<long> combinedUseLimit(const ConfigStore &s)
{
    if (s.modelFlag7)
        return 489;
    if (s.modelFlag3)
        return 225;
    return std::nullopt;
}

bool deviceNetSizesTooLarge(const ConfigStore &s)
{
    const FIELDBUS &f = s.fieldbus;
    return f.inputSize == "160" && (f.outputSize == "112" || f.outputSize == "96");
}

int commandStatusBytes(const std::string &commandStatus)
{
    if (commandStatus.empty() || !std::isdigit(static_cast<unsigned char>(commandStatus.front())))
        return 0;
    const long n = decimalOf(commandStatus);
    return n > 0 ? static_cast<int>(n) : 0;
}

int reservedStatusBytes(const ConfigStore &s)
{
    return s.modelFlag7 ? commandStatusBytes(s.subnet(0).commandStatus) : 0;
}

} // namespace tqv
