#pragma once
// The exit statuses of tabulon-cli, one table for every command, so that a
// script can rely on them.

namespace tabulon::exit_status {

// Every command but diff.
inline constexpr int Ok = 0;      // done; every database opened and was written
inline constexpr int Failed = 1;  // a database did not open, or the work failed
inline constexpr int Usage = 2;   // wrong arguments; nothing was done

// diff, as diff(1).
inline constexpr int Same = 0;
inline constexpr int Different = 1;
inline constexpr int Trouble = 2;  // a database did not open, or a part of one could not be read

}  // namespace tabulon::exit_status
