#include "platform/programoptions.h"

#include "platform/notices.h"
#include "platform/settingsstore.h"
#include "platform/uiseam.h"

#include <QString>

#include <iterator>

namespace quenlark {

namespace {

struct OptionValue {
    const char* name;
    bool fallback;
    bool OptionValues::*flag;
};
constexpr OptionValue kOptionValues[] = {
    {kDisplayTooltipsValue, true, &OptionValues::displayTooltips},
    {kDisableUrlValidationValue, false, &OptionValues::disableUrlValidation},
    {kEmailFieldRequiredValue, true, &OptionValues::emailRequired},
};

Result writeNumber(SettingsStore& store, const char* name, bool value) {
    return store.storeNumber(name, value ? 1 : 0);
}

} // namespace

OptionValues ProgramOptions::load(Result* writeProblem) {
    OptionValues values;
    Result problem;
    for (const OptionValue& option : kOptionValues) {
        // A value that is not a number is replaced by the default, like a missing one.
        if (const std::optional<std::int32_t> stored = store_.findNumber(option.name)) {
            values.*option.flag = *stored != 0;
            continue;
        }
        values.*option.flag = option.fallback;
        if (Result written = writeNumber(store_, option.name, option.fallback); !written && problem)
            problem = written;
    }
    if (writeProblem)
        *writeProblem = problem;
    return values;
}

Result ProgramOptions::save(const OptionValues& values) {
    for (const OptionValue& option : kOptionValues)
        if (Result written = writeNumber(store_, option.name, values.*option.flag); !written)
            return written;
    return {};
}

void TellSettingsCannotBeSaved(QWidget* owner, const Result& why) {
    if (why || !FirstTimeInRun(RunNotice::SettingsCannotBeSaved))
        return;
    Ui().messageBox(owner, QStringLiteral("Options cannot be saved"),
                    QStringLiteral("Quenlark Address Book cannot save its settings, so changes to "
                                   "the program options will last only until it is closed.  It "
                                   "goes on with the options it has.\n\n%1")
                        .arg(QString::fromStdString(why.message())),
                    MsgIcon::Warning, MsgButtons::Ok);
}

} // namespace quenlark
