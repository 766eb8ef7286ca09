// The one process-wide record of settings, run state and identity texts.
// Every operation of the program reads and writes it directly.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

// The 19 numbered fields of a queued scene.
enum SceneField {
  kFieldFirstFrame = 0,
  kFieldLastFrame = 1,
  kFieldFrameStep = 2,
  kFieldOutputDir = 3,
  kFieldOutputPrefix = 4,
  kFieldImageSaver = 5,
  kFieldSaveRGB = 6,
  kFieldFramesPerSecond = 7,
  kFieldResolutionMultiplier = 8,
  kFieldFrameSizeLabel = 9,
  kFieldPixelAspect = 10,
  kFieldAntialiasing = 11,
  kFieldEnhancedAA = 12,
  kFieldRenderMode = 13,
  kFieldOutputFilenameFormat = 14,
  kFieldFrameSize = 15,
  kFieldImageExtension = 16,
  // For format 4 and later: the rendering camera's sampling, as shown in
  // place of the antialiasing choice; empty for older scenes.
  kFieldCameraSampling = 17,
  kFieldPercentDone = 18,
  kSceneFieldCount = 19,
};

using SceneEntry = std::array<std::string, kSceneFieldCount>;

// The [Overnight] group: how an unattended queue meets a failing scene, a
// hung renderer and a cut-off frame, and what happens when it is done.
enum class WhenSceneFails { kStop, kNext };
enum class WhenQueueDone { kNothing, kSleep, kHibernate, kShutdown };
struct OvernightSettings {
  WhenSceneFails whenSceneFails = WhenSceneFails::kStop;
  int retries = 0;               // 0 to 3 more tries of a failed scene
  int frameTimeoutMinutes = 0;   // 0 (none) to 1440
  bool checkLastFrame = true;
  WhenQueueDone whenQueueDone = WhenQueueDone::kNothing;
  std::string startAt;           // "HH:MM" (24 h), or empty: at once
  bool operator==(const OvernightSettings&) const = default;
};

// The [Farm] group: how the queue is handed to a cluster scheduler.
enum class FarmEngine { kSlurm };
struct FarmSettings {
  FarmEngine engine = FarmEngine::kSlurm;
  int framesPerTask = 10;         // 1 to 100000
  std::string nodeRenderer;       // shell text run on a node; empty: wine + the renderer path
  std::string partition;          // empty: the cluster's default
  bool inQueueOrder = false;      // each scene's tasks wait for the scene before
  std::string shareHere;          // "P:\" as this computer sees the job folder's share ...
  std::string shareOnCluster;     // ... and "/mnt/projects/" as the cluster does
  int cpusPerTask = 0;            // 0: the whole node (one lwsn.exe uses every core)
  std::string memoryPerTask;      // empty: the partition's default
  std::string timeLimit;          // empty: the partition's
  std::string winePrefix;         // the nodes' WINEPREFIX; empty: Wine's default
  int tasksAtOnce = 0;            // of one array; 0: no limit
  bool operator==(const FarmSettings&) const = default;
};

struct Settings {
  std::string rendererPath;
  std::string contentDirectory;
  int windowX = 0;
  int windowY = 0;
  int idleTimeout = 10;   // minutes
  int loadLastProject = 0;
  int continueRendering = 0;
  int confirmOverwrite = 0;
  int detectMouseInactivity = 0;
  std::string lastSavedProject;
  std::string lastSceneDirectory;
  int projectAutoLoaded = 0;   // start-up is past the one reading that may reload the last project
  OvernightSettings overnight;
  FarmSettings farm;
};

// The queue: row i of every list belongs to line i of the queue list.
struct QueueState {
  std::vector<std::string> scenePaths;
  std::vector<std::string> displayTexts;
  std::vector<SceneEntry> fields;
  std::vector<int> renderStates;
  int count = 0;
  int currentScene = 0;
  int renderCursor = 0;
  int queueChanged = 0;
  int detailsReenable = 0;
  int pendingClearAnswer = 0;
  // The output filename field's suffix as last shown: a format value the
  // details cannot name shows the suffix of the scene shown before.
  std::string filenameSuffix;
  // Scenes left behind as failed by a run that went on without them, by
  // path (a path is queued once), with why: "exit code 3", "hung", ...
  // Start tries them again.
  std::vector<std::pair<std::string, std::string>> failedScenes;
};

// The render job that runs now, as the history, the notifications and the
// time estimate follow it.
struct WatchedJob {
  bool active = false;
  int row = 0;
  std::string scenePath;
  std::string startTime;          // local, ISO 8601
  std::int64_t startMs = 0;       // steady clock
  std::int64_t first = 0, last = 0, step = 1;
  std::int64_t framesAtStart = 0;
  std::int64_t framesSeen = 0;    // the latest count while it renders
  std::int64_t lastRiseMs = 0;    // when that count last rose
  bool framesCountable = true;    // its output folder and prefix can be seen
};

// A run: from Start (or a continued queue) until nothing renders any more.
struct WatchedRun {
  bool active = false;
  std::int64_t startMs = 0;
  int scenesFinished = 0;
  std::int64_t framesRendered = 0;
  bool windowHiddenAtLastEnd = false;   // as the last job ended, before the window came back
  bool queueFinished = false;           // every scene of the run is done
  bool historyFailureShown = false;
  int triedRow = -1;                    // the row the last job rendered ...
  int tries = 0;                        // ... and how often this run started it
  bool offerQueueDone = false;          // the run went through the queue: what the user chose follows
  int jobsStarted = 0;                  // renderers this run started
  std::string lastEndText;              // "Scene failed: a.lws (exit code 3)" of the last job
  // The status of the failure a retry follows, for a retry that cannot start.
  std::string failureStatus;
  // Frames each row still lacked when the run started.
  std::vector<std::int64_t> framesLeft;
};

struct ProgramState {
  // Identity texts.
  std::string programTitle;
  std::string buildText;
  std::string settingsFileName;
  std::string placeholder;
  std::string settingsWindowTitle;
  std::string sceneSettingsWindowTitle;
  std::string programDirectory;

  Settings settings;
  QueueState queue;

  // Render job.
  pf::ProcessHandle rendererProcess = 0;
  int rendererExitCode = 0;
  int rendering = 0;
  int rendererPriority = pf::kPriorityIdle;
  int logCapableBuild = 0;
  // The renderer's file version from its Windows version resource
  // ("2019.1.5"), empty when it has none; recent builds carry no "$VER:"
  // build text, and this is how the user tells them apart.
  std::string rendererVersion;
  int framesFound = 2;
  int trayBusy = 0;
  int idleSeconds = 0;
  int idleBoosted = 0;
  int previousMouseX = 0;
  int previousMouseY = 0;

  // Project and window.
  std::string currentProjectPath;
  int projectLoadFailed = 0;
  int quitRequested = 0;
  int outputViewOpen = 0;
  int deleteFramesMode = 0;
  std::string lastOutputFileName;
  // The output listing's header and names as last shown, its trailer aside.
  std::string listingBodyShown;

  // Beside the queue: the watched job and run, the system's awake state.
  WatchedJob job;
  WatchedRun run;
  // The scene whose renderer, started by this program, ended last, and the
  // scenes whose last frame was judged since a renderer last worked on them.
  std::string lastEndedScene;
  std::set<std::string> framesJudged;
  int systemRequired = 0;
  // Balloon texts waiting for the end of the event that raised them, so
  // that the window shows the run's end before the shell is asked.
  std::vector<std::string> pendingNotices;
  // Files from outside that wait for the queue to stop rendering.
  std::vector<std::string> waitingFiles;
  // History lines not written yet, to go out with the next one.
  std::string historyBacklog;
  // "HH:MM" while Start waits for that time of day, and the local date and
  // time the wait ends at ("2026-12-08T22:00:00"), fixed when it began.
  std::string waitingUntil;
  std::string waitUntilLocal;
};

extern ProgramState g;

// Zeroes the record and gives the fields their start-up values.
void ResetProgramState();
