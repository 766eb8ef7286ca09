#include "render/run_marker.h"

#include <string>

#include "platform/platform.h"

void MarkRunUnderWay() {
  if (pf::QueryFileSize(kRunMarkerFileName) >= 0) return;
  const std::string text = pf::LocalTimeIso() + "\r\n";
  if (pf::FileHandle file = pf::FileOpen(kRunMarkerFileName, pf::FileMode::CreateWrite)) {
    pf::FileWrite(file, text.data(), static_cast<std::int64_t>(text.size()));
    pf::FileClose(file);
  }
}

void ClearRunUnderWay() {
  if (pf::QueryFileSize(kRunMarkerFileName) >= 0) pf::DeletePath(kRunMarkerFileName);
}

bool RunWasUnderWay() { return pf::QueryFileSize(kRunMarkerFileName) >= 0; }
