// The render history: one line per job that ended, appended to
// Tallowbridge-history.csv beside the program, for artists to look back on
// a night of rendering in a spreadsheet.
#pragma once

#include <cstdint>
#include <string>

enum class JobResult { kFinished, kStopped, kFailed, kNotStarted };

constexpr const char* kHistoryFileName = "Tallowbridge-history.csv";
extern const char* const kHistoryHeader;

// A field as a CSV file carries it: quoted when it holds a comma, a quote,
// a CR or an LF, with quotes doubled.
std::string CsvField(const std::string& text);

// The history line of the watched job ending now (CR LF included):
// exitCode is written for finished and failed jobs only; seconds per frame
// only when frames were rendered. A note follows the result in brackets:
// "failed (no frames written)".
std::string HistoryLine(JobResult result, int exitCode, const std::string& endTime, std::int64_t framesAtEnd,
                        std::int64_t elapsedMs, const std::string& note = "");
// A line about the night rather than a job (a message nobody was there to
// read, a shut down the system refused): its time and text, in the result
// column.
std::string NoteLine(const std::string& time, const std::string& text);

// Appends line, after any lines that could not be written before, to the
// history file in the program directory, with the header first when the
// file is new. The file is written whole to a temporary file, flushed and
// put in place in one step, so a full disk or a failing write never leaves
// half a line; false when that failed, and the line waits for the next call.
bool AppendHistoryLine(const std::string& line);
