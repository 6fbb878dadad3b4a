// The last-error text: a failing operation leaves its Windows-1251 message here
// and returns a failure value; the caller shows it. Never cleared by itself.
#pragma once

#include <string>
#include <string_view>

namespace gvc {

class ErrorText {
public:
    void Set(std::string_view text) { text_.assign(text); }
    // Discovery adds one line per device kind it tried.
    void Append(std::string_view text) { text_.append(text); }
    const std::string& Text() const { return text_; }
    bool Empty() const { return text_.empty(); }

private:
    std::string text_;
};

}  // namespace gvc
