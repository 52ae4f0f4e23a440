#pragma once

class TForm1;

// What the window adds for HART diagnostics beyond the Transparent Mode page's own status
// line: "Scan…" opens the scan dialog, and the traffic log notes the status of every HART
// reply (and what each HART request asks) on its line.
void attachHartDiagnostics(TForm1& window);
