// Input test of the eleven inputs in `flowcom` and the inclination terms.
#ifndef FLOWMODEL_INTEST_H
#define FLOWMODEL_INTEST_H

namespace flowmodel {

// Rejects improper input (ierr = 2, improper-input message listing ten values)
// or raises a liquid density not above the gas density to 1.001 rog (ierr = 1,
// warning); otherwise leaves ierr alone. msg has lmsg bytes.
void intest(int& ierr, char* msg, int lmsg);

// Writes the improper-input message for the values now in `flowcom`, cut to
// lmsg - 1 characters when the buffer is smaller than 160 bytes.
void improper_input_message(char* msg, int lmsg);

// Sets s90, c90 and rs90 in `flowcom` from the angle.
void setang();

}  // namespace flowmodel

#endif
