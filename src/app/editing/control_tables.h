// Start-up binding of the window's controls to parameter ids (the control
// tables, tags and hints) and the rules that enable groups of controls.
#pragma once

namespace kdsp {

class AppContext;

// Fills the tables, stamps tags and hints and writes the start-up defaults
// into the device image. Idempotent: the start-up runs it twice.
void BuildControlTables(AppContext& app);

// selector 255: the manual/automatic rule; 0..10: the bypass rule of that page.
void SetEnableRules(AppContext& app, int manualFlag, int selector);

}  // namespace kdsp
