#pragma once

namespace tqv {

class CliApp;

// Bringing a workbook or a CSV command list back into a configuration: import.
void addImportCommands(CliApp &app);

} // namespace tqv
