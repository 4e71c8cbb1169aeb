#pragma once

#include <string>

namespace tqv {

enum class Answer { Yes, No, Cancel };

// Every message box of the program goes through this: the GUI shows a dialog, the command line
// prints (and answers from --yes), tests record the exact texts.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void info(const std::string &text) = 0;
    // A step that failed: shown as an error where the front end can tell the two apart.
    virtual void error(const std::string &text) { info(text); }
    virtual bool askYesNo(const std::string &text) = 0;
    // A question where Yes risks the gateway's data: No is the answer a bare Return gives.
    virtual bool askYesNoDefaultNo(const std::string &text) { return askYesNo(text); }
    virtual bool askOkCancel(const std::string &text) = 0;
    virtual Answer askYesNoCancel(const std::string &text) = 0;
};

} // namespace tqv
