#include "render/job_history.h"

#include <cstdio>
#include <iterator>

#include "core/program_state.h"
#include "platform/platform.h"

const char* const kHistoryHeader =
    "start,end,scene,first frame,last frame,step,frames at start,frames at end,result,exit code,seconds per frame";

namespace {

const char* ResultText(JobResult result) {
  switch (result) {
    case JobResult::kFinished: return "finished";
    case JobResult::kStopped: return "stopped";
    case JobResult::kFailed: return "failed";
    case JobResult::kNotStarted: return "not started";
  }
  return "";
}

// Seconds per rendered frame, to the hundredth; empty without frames.
std::string SecondsPerFrame(std::int64_t frames, std::int64_t elapsedMs) {
  if (frames <= 0 || elapsedMs < 0) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(elapsedMs) / 1000.0 / static_cast<double>(frames));
  return text;
}

// The whole file, or false when it cannot be read. Only a system that
// answers "no such file" makes a new history: a share that does not answer
// for a moment must not have the history replaced by one line.
bool ReadExisting(const std::string& path, std::string& content) {
  content.clear();
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (!file) return pf::PathMissing(path);
  char chunk[16 * 1024];
  std::int64_t got = 0;
  while ((got = pf::FileRead(file, chunk, sizeof chunk)) > 0) content.append(chunk, static_cast<std::size_t>(got));
  pf::FileClose(file);
  return got == 0;
}

// The new file is on the disk before it replaces the old one, so a power
// cut right after the replace cannot leave an empty history.
bool WriteWhole(const std::string& path, const std::string& content) {
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::CreateWrite);
  if (!file) return false;
  const bool written = pf::FileWrite(file, content.data(), static_cast<std::int64_t>(content.size())) ==
                           static_cast<std::int64_t>(content.size()) &&
                       pf::FileFlush(file);
  return pf::FileClose(file) && written;
}

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string HistoryLine(JobResult result, int exitCode, const std::string& endTime, std::int64_t framesAtEnd,
                        std::int64_t elapsedMs, const std::string& note) {
  const WatchedJob& job = g.job;
  const std::string resultText = note.empty() ? ResultText(result) : std::string(ResultText(result)) + " (" + note + ")";
  const bool coded = result == JobResult::kFinished || result == JobResult::kFailed;
  const std::string fields[] = {
      job.startTime,
      endTime,
      CsvField(job.scenePath),
      std::to_string(job.first),
      std::to_string(job.last),
      std::to_string(job.step),
      std::to_string(job.framesAtStart),
      std::to_string(framesAtEnd),
      CsvField(resultText),
      coded ? std::to_string(exitCode) : "",
      SecondsPerFrame(framesAtEnd - job.framesAtStart, elapsedMs),
  };
  std::string line;
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    if (i) line += ',';
    line += fields[i];
  }
  return line + "\r\n";
}

std::string NoteLine(const std::string& time, const std::string& text) {
  return "," + time + ",,,,,,," + CsvField(text) + ",,\r\n";
}

// Lines that could not be written (the file held open by a spreadsheet, a
// full disk) wait in memory and go out, in order, with the next line.
bool AppendHistoryLine(const std::string& line) {
  const std::string path = kHistoryFileName;
  const std::string temporary = path + "_temp";
  g.historyBacklog += line;
  std::string content;
  if (!ReadExisting(path, content)) return false;
  if (content.empty()) content = std::string(kHistoryHeader) + "\r\n";
  // A file that ends inside a line (edited by hand) gets its line end first.
  else if (content.back() != '\n') content += "\r\n";
  content += g.historyBacklog;
  if (WriteWhole(temporary, content) && pf::MovePathOver(temporary, path)) {
    g.historyBacklog.clear();
    return true;
  }
  pf::DeletePath(temporary);
  return false;
}
