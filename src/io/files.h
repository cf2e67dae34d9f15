// The files the engine keeps (book.dat, board.txt, orvane.ini, game files)
// are opened through here, so that no layer can be made to wait on a named
// pipe or read a device without end.
#pragma once

#include <cstddef>
#include <cstdio>

// Opens a regular file for reading; nullptr, with the reason in why, for
// anything else (missing, unreadable, a directory, a device, a pipe).  Never
// waits, not even for a named pipe.  errno is ENOENT when there is no file.
FILE* open_regular_file(const char* name, const char*& why);

// Makes a rename or a new file in the folder of path last through a machine
// crash: fsync of the folder itself ("." when path names no folder).  Only
// open, fsync and close, so a signal handler may call it.  false if the
// folder could not be synced.
bool sync_folder_of(const char* path);

// Appends size bytes of data to the regular file name (made if missing) in
// one write, synced to the disk: the file gains all of it or, if the write
// fails, is cut back to what it was.  Never waits on a pipe or a device.
// false, with the reason in why, when nothing was appended.
// Writes size bytes of data to fd, going on after a signal and after a short
// write; returns how many were written (fewer only on an error, in errno).
size_t write_fully(int fd, const char* data, size_t size);
bool append_to_file(const char* name, const char* data, size_t size, const char*& why);
