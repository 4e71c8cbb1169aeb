#include "JsonForm.h"

namespace tqv {

std::string storeToJson(const ConfigStore &) { return "{}"; }

bool storeFromJson(std::string_view, ConfigStore &, std::string &error)
{
    error = "not yet";
    return false;
}

} // namespace tqv
