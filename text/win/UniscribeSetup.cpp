#include "text/win/UniscribeSetup.h"

#include "text/MeasureCache.h"
#include "text/Text.h"
#include "text/win/ScriptWordBreak.h"
#include "text/win/UniscribeMeasurer.h"

namespace TextBlock {

void InstallUniscribeMeasurer() {
  SetMeasurer(std::make_shared<CachingMeasurer>(std::make_shared<UniscribeMeasurer>()));
  InstallScriptWordBreaks();
}

}  // namespace TextBlock
