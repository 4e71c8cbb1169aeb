// The in-process command line for the tests: each test gets its own temporary folder, and
// TQV580_LANG is "en" during the test and restored afterwards.
#pragma once

#include "cli/CliApp.h"
#include "resources/Strings.h"
#include "support/TempDirFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tqv {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

class CliFixture : public TempDirFixture {
protected:
    void SetUp() override
    {
        TempDirFixture::SetUp();
        if (const char *lang = std::getenv("TQV580_LANG"))
            m_savedLang = lang;
        ::setenv("TQV580_LANG", "en", 1);
        setLanguage(Language::English);
    }
    void TearDown() override
    {
        TempDirFixture::TearDown();
        if (m_savedLang)
            ::setenv("TQV580_LANG", m_savedLang->c_str(), 1);
        else
            ::unsetenv("TQV580_LANG");
        setLanguage(Language::English);
    }
    static Outcome run(const std::vector<std::string> &args)
    {
        std::ostringstream out, err;
        const int code = runCli(args, out, err);
        return {code, out.str(), err.str()};
    }
    std::optional<std::string> m_savedLang;
};

} // namespace tqv
