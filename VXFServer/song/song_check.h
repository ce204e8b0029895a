// song_check.h - the check that makes the current song's block runs and counts agree.
#pragma once

namespace vxfserver {

// Removes block runs of no length from the current song's table, makes
// Number of Audio Blocks the sum of the runs and cuts Number of Samples to
// what those blocks hold. The record is saved only when one of these
// changed; audio blocks are never released here.
bool checkCurrentSong();

}  // namespace vxfserver
