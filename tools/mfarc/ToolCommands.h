// The commands of the archive tool. Each takes the arguments with the command name first,
// returns the exit code and throws UsageError or ToolFailure for RunArchiveTool to report.
#pragma once

#include "ArchiveTool.h"

#include <string>
#include <vector>

int CreateCommand(const std::vector<std::string>& args, ArchiveToolIo& io);
int ListCommand(const std::vector<std::string>& args, ArchiveToolIo& io);
int TestCommand(const std::vector<std::string>& args, ArchiveToolIo& io);
int ExtractCommand(const std::vector<std::string>& args, ArchiveToolIo& io);
