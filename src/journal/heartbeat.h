// The heartbeat check: at start and at every tick, the heartbeat file tells
// whether a new day has begun (the journal then becomes that day's protocol
// and starts afresh) or tracking was interrupted for more than 30 seconds.
#ifndef HORALUX_JOURNAL_HEARTBEAT_H
#define HORALUX_JOURNAL_HEARTBEAT_H

// Longest gap between two checks on one date that is no interruption.
constexpr unsigned kMaxGapSeconds = 30;

// Compares the heartbeat file with the clock, acts on a new day or a gap, and
// stamps the file with the moment of the check. Ends the process (status 0)
// when the day's protocol can't be written or the journal can't be emptied.
void CheckHeartbeat();

#endif
