// The scenes a run left behind as failed while it went on without them,
// and how the program names them.
#pragma once

#include <string>

// The row's scene failed for reason ("exit code 3", "hung", ...); a scene
// is named once, with its latest reason.
void MarkSceneFailed(int row, const std::string& reason);
// The row was left behind as failed; Start clears every mark.
bool SceneFailed(int row);
void ClearSceneFailures();

// The status once a run went through the whole queue: "Finished: N of M
// scenes failed", or "LWSN was finished..." when none did.
std::string QueueFinishedStatus();
// "a.lws (exit code 3), b.lws (hung)" for the finish balloon; empty when
// none failed.
std::string FailedScenesText();
