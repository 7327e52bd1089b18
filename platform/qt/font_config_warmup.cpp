#include "platform/qt/font_config_warmup.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmup::FontConfigWarmup() : thread_([] { FcInit(); }) {}

FontConfigWarmup::~FontConfigWarmup()
{
    thread_.join();
}
