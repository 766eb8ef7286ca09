// Message boxes and requesters answer from queues the test fills.
#include "platform/headless/headless_internal.h"

#include <utility>

using headless::detail::Record;
using headless::detail::S;

namespace {

int DefaultAnswer(int style) {
  int buttons = style & 0x0F;
  if (buttons == 4 || buttons == 3) return pf::kAnswerNo;  // Yes/No, Yes/No/Cancel
  return pf::kAnswerOk;
}

std::string Take(std::deque<std::string>& queue) {
  if (queue.empty()) return {};
  std::string front = queue.front();
  queue.pop_front();
  return front;
}

std::string FileRequester(const char* kind, const std::string& title, const std::string& start,
                          const std::string& filter) {
  S().requesters.push_back({kind, title, start, filter});
  std::string answer = Take(S().fileAnswers);
  Record(std::string(kind) + " requester " + title + " -> " + answer);
  return answer;
}

}  // namespace

namespace pf {

void SetQuietMessages(bool quiet) { S().quietMessages = quiet; }
std::vector<std::string> TakeQuietMessages() { return std::exchange(S().quietTexts, {}); }

int ShowMessage(const std::string& title, const std::string& text, int style) {
  if (S().quietMessages) {
    S().quietTexts.push_back(title + ": " + text);
    Record("quiet message " + title + " | " + text);
    return DefaultAnswer(style);
  }
  int answer = DefaultAnswer(style);
  if (!S().answers.empty()) {
    answer = S().answers.front();
    S().answers.pop_front();
  }
  S().messages.push_back({title, text, style, answer});
  Record("message " + title + " | " + text);
  return answer;
}

std::string RequestOpenFile(const std::string& title, const std::string& start, const std::string& filter,
                            int) {
  return FileRequester("open", title, start, filter);
}

std::string RequestSaveFile(const std::string& title, const std::string& start, const std::string& filter,
                            int) {
  return FileRequester("save", title, start, filter);
}

std::string RequestPath(const std::string& title, const std::string& start) {
  S().requesters.push_back({"path", title, start, ""});
  std::string answer = Take(S().pathAnswers);
  Record("path requester " + title + " -> " + answer);
  return answer;
}

std::string RequestInput(const std::string& title, const std::string& prompt, const std::string& defaultText) {
  S().requesters.push_back({"input", title, prompt, defaultText});
  std::string answer = Take(S().inputAnswers);
  Record("input requester " + title + " -> " + answer);
  return answer;
}

}  // namespace pf

namespace headless {

void QueueAnswer(int answer) { S().answers.push_back(answer); }
void QueueFileAnswer(const std::string& path) { S().fileAnswers.push_back(path); }
void QueuePathAnswer(const std::string& path) { S().pathAnswers.push_back(path); }
void QueueInputAnswer(const std::string& text) { S().inputAnswers.push_back(text); }
const std::vector<ShownMessage>& Messages() { return S().messages; }
const std::vector<ShownRequester>& Requesters() { return S().requesters; }

}  // namespace headless
