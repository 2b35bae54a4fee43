// A report format as the report file writer sees it: a head, one block per contact and a
// tail, each appended to a buffer that the writer empties into the file now and then, so a
// report of any size takes little memory.
#pragma once

#include "engine/reportfields.h"

#include <memory>
#include <string>

namespace quenlark {

struct ContactRecord;

class ReportComposer {
public:
    virtual ~ReportComposer() = default;
    virtual void head(std::string& out) = 0;
    virtual void contact(std::string& out, const ContactRecord& record) = 0;
    virtual void tail(std::string& out) = 0;
};

std::unique_ptr<ReportComposer> MakeHtmlComposer(const ReportFields& fields);
std::unique_ptr<ReportComposer> MakeRichTextComposer(const ReportFields& fields);
std::unique_ptr<ReportComposer> MakeVCardComposer(bool version4, const ReportFields& fields);
std::unique_ptr<ReportComposer> MakeCsvComposer(const ReportFields& fields);
std::unique_ptr<ReportComposer> MakeComposer(ReportFormat format, const ReportFields& fields);

} // namespace quenlark
