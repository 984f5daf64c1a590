// The text of an errno value for messages, the same on every system: the
// Windows runtime knows no text for the network errors the socket layer
// reports (connection refused, reset, timed out and the like).
#pragma once

const char *error_text(int error);
