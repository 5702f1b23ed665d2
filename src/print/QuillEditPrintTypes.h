#pragma once

#include "base/QuillEditTypes.h"

#include <cstdint>
#include <functional>

namespace quillan {

class TQuillEditPrint;

// Decoration of a header or footer band, as a set of bits.
enum TFrameType : std::uint8_t { ftLine = 1, ftBox = 2, ftShaded = 4 };
using TFrameTypes = std::uint8_t;

enum class THeaderFooterAlign : std::uint8_t { hfaLeft = 0, hfaRight = 1, hfaCenter = 2 };
enum class THeaderFooterType : std::uint8_t { hftHeader, hftFooter };

enum class TUnitSystem : std::uint8_t { usMM = 0, usCM = 1, usInch = 2, muThousandthsOfInches = 3 };

// psJob is reported at the start and again at the end of a job, psPage before each page.
enum class TQuillPrintStatus : std::uint8_t { psJob = 0, psPage = 1 };

// The handler may set abort to stop a running job.
using TPrintStatusEvent
    = std::function<void(TQuillEditPrint* sender, TQuillPrintStatus status, int pageNumber, bool& abort)>;
using TPrintLineEvent = std::function<void(TQuillEditPrint* sender, int lineNumber, int pageNumber)>;

inline constexpr TColor PrintBlack = 0x000000;
inline constexpr TColor PrintWhite = 0xFFFFFF;

} // namespace quillan
