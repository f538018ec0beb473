// The protocol generator: the journal of the day named in the heartbeat file
// becomes that day's detail and statistics protocols under Protocols/.
#ifndef HORALUX_PROTOCOL_PROTOCOL_H
#define HORALUX_PROTOCOL_PROTOCOL_H

// Writes both protocols of the heartbeat file's date from the whole journal.
// True when both files were written and closed; false after a reported failure.
bool CreateProtocol();

#endif
