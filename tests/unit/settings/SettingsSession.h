#pragma once

#include <gtest/gtest.h>

#include "panel/SettingsPersistence.h"
#include "hostlink/ExParaBlock.h"

// What one run of the plug-in does with the settings file, for tests that
// break the file: load the five settings and the window position at start-up
// through the real functions, save other values at the end.
namespace settingssession {

// Every value differs from its default.
inline constexpr const char* kStoredFile =
    "[PARAMETER]\r\nSampleMode=4\r\nAttenuator=1\r\nDittering=1\r\nNoisBlanker=2\r\ndBOffset=-57\r\n"
    "[POSITION]\r\nWindowTop=-20\r\nWindowLeft=-1300\r\n";

// The window's own position, which an absent coordinate falls back to.
inline constexpr excalibur::WindowPosition kWindowPosition{300, 400};

struct Outcome {
    excalibur::ExParaBlock loaded;  // filled with a guard pattern before loading
    excalibur::WindowPosition position;
};

// Loads, then saves SavedBlock() and SavedPosition().
Outcome Run();

// Only loads.
Outcome Load();

// Values distinct from kStoredFile's and from the defaults.
excalibur::ExParaBlock SavedBlock();
excalibur::WindowPosition SavedPosition();

::testing::AssertionResult LoadedDefaults(const Outcome& outcome);
::testing::AssertionResult LoadedStoredFile(const Outcome& outcome);
::testing::AssertionResult LoadedSavedValues(const Outcome& outcome);

// Loading touched nothing of the record but the five settings.
::testing::AssertionResult GuardIntact(const excalibur::ExParaBlock& block);

}  // namespace settingssession
