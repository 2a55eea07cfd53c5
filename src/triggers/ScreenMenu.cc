// The tab trigger: a UtilityMenu that also owns a tab window.
#include <string>

#include "platform/host/Transcript.h"
#include "triggers/TabWindows.h"
#include "triggers/Triggers.h"

ScreenMenu::ScreenMenu(float inAlpha, RGBColor inColor, SInt16 inSquareSize,
                       const TriggerConfig& config)
    : UtilityMenu(config) {
  // The UtilityMenu part is built by now, menu included.
  alpha = inAlpha;
  color = inColor;
  squareSize = inSquareSize;
  // A tab never covers more than a quarter of its screen's smaller side: an
  // invisible one would otherwise take the clicks of much of the desktop.
  // The screen at creation counts; the window is never resized.
  if (const SInt16 largest = LargestTabSquareSize(screen); squareSize > largest) {
    const std::string which =
        definitionNumber ? Fmt("menu definition %u", definitionNumber) : std::string("a tab");
    ReportProblem(
        Fmt("settings: %s: \"%s\" %d is more than a quarter of its screen's smaller "
            "side; the tab is %d pixels",
            which.c_str(), kSquareSizeKey, squareSize, largest));
    squareSize = largest;
  }
  // The window is squareSize pixels square and never resized; creating
  // it places it, so the tab is on screen when construction ends.
  const Rect bounds{0, 0, squareSize, squareSize};
  CreateTabWindow(this, &bounds);
}

ScreenMenu::~ScreenMenu() {
  if (context) CGContextRelease(context);
  if (window) (void)ReleaseWindow(window);
}

void ScreenMenu::PlaceTab() { PlaceTabWindow(this); }

UInt32 ScreenMenu::ShowMenu(bool anchorToTab) {
  anchorTab = this;
  return UtilityMenu::ShowMenu(anchorToTab);
}
