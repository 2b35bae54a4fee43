#include "platform/programoptions.h"

#include "platform/settingsstore.h"
#include "platform/uiseam.h"

#include <QString>

#include <exception>
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
    try {
        store.writeNumber(name, value ? 1 : 0);
        return {};
    } catch (const std::exception& e) {
        return Result::Fail(Failure::Io, e.what());
    }
}

} // namespace

OptionValues ProgramOptions::load(Result* writeProblem) {
    OptionValues values;
    Result problem;
    for (const OptionValue& option : kOptionValues) {
        std::optional<std::int32_t> stored;
        try {
            stored = store_.readNumber(option.name);
        } catch (const std::exception&) {
            stored.reset(); // not a number: the default replaces it
        }
        if (stored) {
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
    static bool told = false;
    if (told || why)
        return;
    told = true;
    Ui().messageBox(owner, QStringLiteral("Options cannot be saved"),
                    QStringLiteral("Quenlark Address Book cannot save its settings, so changes to "
                                   "the program options will last only until it is closed.  It "
                                   "goes on with the options it has.\n\n%1")
                        .arg(QString::fromStdString(why.message())),
                    MsgIcon::Warning, MsgButtons::Ok);
}

} // namespace quenlark
