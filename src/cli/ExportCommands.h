#pragma once

namespace tqv {

class CliApp;

// The spreadsheet export: export.
void addExportCommands(CliApp &app);

} // namespace tqv
