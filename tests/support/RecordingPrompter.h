#pragma once

#include "link/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace tqv {

// Stands in for the message boxes: records every text and answers Yes/No and OK/Cancel questions
// from `answers` in turn, then with `answer`.
class RecordingPrompter : public Prompter {
public:
    void info(const std::string &text) override { messages.push_back(text); }
    bool askYesNo(const std::string &text) override { return next(text); }
    bool askOkCancel(const std::string &text) override { return next(text); }
    Answer askYesNoCancel(const std::string &text) override
    {
        messages.push_back(text);
        return threeWay;
    }

    std::vector<std::string> messages;
    std::deque<bool> answers;
    bool answer = true;
    Answer threeWay = Answer::Yes;

private:
    bool next(const std::string &text)
    {
        messages.push_back(text);
        if (answers.empty())
            return answer;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace tqv
