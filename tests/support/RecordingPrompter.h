#pragma once

#include "link/Prompter.h"

#include <string>
#include <vector>

namespace tqv {

// Stands in for the message boxes: records every text and answers questions with `answer`.
class RecordingPrompter : public Prompter {
public:
    void info(const std::string &text) override { messages.push_back(text); }
    bool askYesNo(const std::string &text) override
    {
        messages.push_back(text);
        return answer;
    }
    bool askOkCancel(const std::string &text) override
    {
        messages.push_back(text);
        return answer;
    }
    Answer askYesNoCancel(const std::string &text) override
    {
        messages.push_back(text);
        return threeWay;
    }

    std::vector<std::string> messages;
    bool answer = true;
    Answer threeWay = Answer::Yes;
};

} // namespace tqv
