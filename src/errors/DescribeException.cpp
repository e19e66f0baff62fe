#include "errors/DescribeException.h"

#include <memory>
#include <string>

namespace {

ExceptionDescription Describe(const CXException& x) {
    ExceptionDescription d;
    d.className = x.GetRuntimeClassName();
    d.cause = x.GetCause();
    d.message = x.LoadMessage();
    return d;
}

void AddFileDetails(const CException& e, ExceptionDescription& d) {
    if (const CFileException* file = AsFileException(e)) {
        d.fileName = file->GetFileName();
        d.osError = file->GetOsError();
    }
}

} // namespace

ExceptionDescription DescribeException(const CException& e) {
    // A family member describes itself (whatever its class, without copying it); anything
    // else is described by its converted form.
    std::unique_ptr<CXException> converted;
    const CXException* x = AsXException(e);
    if (x == nullptr) {
        converted = MakeXException(e);
        x = converted.get();
    }
    ExceptionDescription d = Describe(*x);
    AddFileDetails(e, d);
    return d;
}

ExceptionDescription DescribeCurrentException() {
    try {
        throw;
    } catch (const CException& e) {
        return DescribeException(e);
    } catch (...) {
        return Describe(*CurrentXException());
    }
}

std::string FormatExceptionLine(const ExceptionDescription& description) {
    if (description.fileName.empty()) {
        return description.message.shortText;
    }
    return description.fileName + ": " + description.message.shortText;
}

std::string FormatReportLine(int messageId, const std::string& message,
                             const ExceptionDescription& description) {
    const bool endsWithColon = !message.empty() && message.back() == ':';
    return message + (endsWithColon ? " " : ": ") + FormatExceptionLine(description) + " (" +
           std::to_string(messageId) + "." + std::to_string(description.cause) + " (" +
           description.className + "))";
}
