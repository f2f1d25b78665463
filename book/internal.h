// Internal declarations shared by the book store's sources.
#pragma once

// Passes a message to the installed error reporter (standard error by default).
void ReportBookError(const char* message);
