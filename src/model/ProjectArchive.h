#pragma once

#include "ConfigStore.h"
#include "../resources/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tqv {

// The record version this program writes into every subnet body.
constexpr std::uint32_t kCurrentRecordVersion = 500;

enum class ArchiveError {
    None,
    Truncated,       // the data ends before the last expected field
    WrongClass,      // a record of another class where FIELDBUS / CONFIG belongs
    WrongSchema,     // a class schema other than 1
    NullTag,         // the null-object tag where a record belongs
    BadTag,          // a tag this archive never writes (object reference, unknown class index)
    CountOutOfRange, // nodeCount / commandCount outside 0..128
    Unencodable,     // writing: a text has no form in the file's code page
    BadGatewayType,  // a gatewayType this program does not know (it would show an empty tree)
};

struct ArchiveStatus {
    ArchiveError error = ArchiveError::None;
    std::size_t offset = 0; // where in the data the fault was found
    std::string found;      // class name, tag, field name or text, as the error needs
    std::string expected;
    std::int64_t value = 0;
    int subnet = 0; // 1-based, for CountOutOfRange

    bool ok() const { return error == ArchiveError::None; }
    // The reason in the active language, for the file messages.
    std::string reason() const;
};

// Serialises the store as a project file (record version 500, trailing PROFIBUS strings).
// Fails only with Unencodable; `out` is then unspecified. The store is not changed: the caller
// updates fileVersion / configModified once the bytes are safely on disk.
ArchiveStatus writeProject(const ConfigStore &store, CodePage page, std::string &out);

// Reads a project file into `store`. On success the records, gatewayType, model flags and
// fileVersion come from the file and keepConfigOnNew is set; configModified is untouched.
// On failure `store` is exactly as it was.
ArchiveStatus readProject(std::string_view bytes, CodePage page, ConfigStore &store);

} // namespace tqv
