// The settings form as a plain record, and the person at the dialog, whose
// answers come from a UserReplies script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "config/form_view.h"

namespace vantrel::testing {

// Answers questions in order (No when none is left) and records them (as
// "caption: text"), the pages opened and how often the dialog was closed.
struct UserReplies {
  bool Answer(const std::wstring& text, const std::wstring& caption) {
    boxes.push_back(caption + L": " + text);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::deque<bool> answers;
  std::vector<std::wstring> boxes;
  std::vector<std::wstring> openedUrls;
  int closes = 0;
};

// The calls that reach the person, answered from a UserReplies script, over
// any form.
template <typename View>
class ScriptedPerson : public View {
 public:
  explicit ScriptedPerson(UserReplies& replies) : replies_(replies) {}
  bool Confirm(const std::wstring& text, const std::wstring& caption) override {
    return replies_.Answer(text, caption);
  }
  void OpenPage(const std::wstring& url) override { replies_.openedUrls.push_back(url); }
  void Close() override { ++replies_.closes; }

 private:
  UserReplies& replies_;
};

class FakeDialog : public ScriptedPerson<FormView> {
 public:
  using ScriptedPerson::ScriptedPerson;
  FormState Read() override { return state; }
  void Write(const FormState& written) override { state = written; }
  void ShowStatus(const std::wstring& text) override { state.status = text; }

  FormState state;
};

}  // namespace vantrel::testing
