#pragma once

// Long runs against the converter stand-in: a soak of many exchanges in rotation, and a
// fault run with the stand-in's fault switches and a kill-and-restart. Both print table
// rows like the other benchmarks.
void soak(int exchanges);
void faults(int requestsPerFault);
