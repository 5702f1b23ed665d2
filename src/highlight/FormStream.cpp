#include "highlight/FormStream.h"

#include <string>

namespace quillan {

EFormConversionError::EFormConversionError(std::string_view reason)
    : EQuillException(std::string(reason))
    , FReason(reason)
{
}

EFormConversionError::EFormConversionError(std::string_view reason, int line)
    : EQuillException(FormatMessage(SParseError, { reason, std::to_string(line) }))
    , FReason(reason)
    , FLine(line)
{
}

} // namespace quillan
