// The three program options as they are kept in the settings store: loading them (with
// defaults written for missing or unreadable values) and saving them. Nothing here throws;
// a store that cannot be written is reported through the result.
#pragma once

#include "engine/result.h"

class QWidget;

namespace quenlark {

class SettingsStore;

// The option values in the settings store.
inline constexpr char kDisplayTooltipsValue[] = "Display Tooltips";
inline constexpr char kDisableUrlValidationValue[] = "Disable URL Validation";
inline constexpr char kEmailFieldRequiredValue[] = "Email field required";

struct OptionValues {
    bool displayTooltips = true;
    bool disableUrlValidation = false;
    bool emailRequired = true;
};

class ProgramOptions {
public:
    explicit ProgramOptions(SettingsStore& store) : store_(store) {}

    // Reads the three values. A value that is missing or is not a number takes its default
    // and the default is written back; `writeProblem`, when given, receives the failure of
    // such a write (the values are returned all the same).
    OptionValues load(Result* writeProblem = nullptr);
    // Writes all three values, in the order the store has always listed them.
    Result save(const OptionValues& values);

private:
    SettingsStore& store_;
};

// Tells the person, the first time in a run that it happens, that the settings cannot be
// saved and that the program goes on with the options it has. Later calls show nothing.
void TellSettingsCannotBeSaved(QWidget* owner, const Result& why);

} // namespace quenlark
