// Look-up of the registered in-process server's directory and its placement in front of the
// process's "path", so that the delay-loaded engine and its neighbours are found there.
#ifndef ZENTA_SERVER_DIR_H
#define ZENTA_SERVER_DIR_H

// Writes the server's directory into out (at most maxChars characters, terminated; out holds
// maxChars + 1 bytes) and returns its length; 0 with out empty when it cannot be found.
int GetServerDirectory(char* out, int maxChars);

// Puts the server's directory and ";" in front of "path". Has effect at most once per
// process; a failed attempt changes nothing and may be repeated.
void PrependServerDirectoryToPath();

#endif
