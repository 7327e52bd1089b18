#include "settings/side_file.h"

std::string sideFilePath(const std::string& parameterFilePath, const char* name)
{
    const size_t slash = parameterFilePath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : parameterFilePath.substr(0, slash + 1);
    return directory + name;
}
