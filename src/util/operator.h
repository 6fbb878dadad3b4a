// How the core talks to the operator: modal messages of three kinds with OK,
// and Yes/No questions. The program shows them as message boxes, gvc-cli
// prints them to standard error, tests script the answers.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace gvc {

enum class MessageKind { kWarning, kError, kInformation };

class Operator {
public:
    virtual ~Operator() = default;
    // A message with an OK button; returns when the operator has closed it.
    virtual void Show(MessageKind kind, std::string_view cp1251Text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Ask(MessageKind kind, std::string_view cp1251Text) = 0;
};

// Records every message and answers questions from a script (then with a
// default answer). For tests and for unattended runs.
class ScriptedOperator : public Operator {
public:
    struct Message {
        MessageKind kind;
        std::string text;  // Windows-1251
        bool question;
    };

    explicit ScriptedOperator(bool defaultAnswer = false) : defaultAnswer_(defaultAnswer) {}

    void QueueAnswer(bool yes) { answers_.push_back(yes); }

    void Show(MessageKind kind, std::string_view text) override {
        messages_.push_back({kind, std::string(text), false});
    }

    bool Ask(MessageKind kind, std::string_view text) override {
        messages_.push_back({kind, std::string(text), true});
        if (answers_.empty()) return defaultAnswer_;
        const bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }

    const std::vector<Message>& Messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }

private:
    bool defaultAnswer_;
    std::deque<bool> answers_;
    std::vector<Message> messages_;
};

}  // namespace gvc
