#include "settings/settings_record.h"

SettingsRecord WorkingSettings{};
SettingsRecord DefaultSettings{};
