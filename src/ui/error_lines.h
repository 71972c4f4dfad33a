// The side file of runtime error lines (protocol::kErrorLinesVariable): where each runtime
// error the robot reports happened in the script, for the program that started the robot.
#ifndef UI_ERROR_LINES_H
#define UI_ERROR_LINES_H

// Appends "number line\n" to the file the environment variable names; does nothing when it
// names none or the file cannot be written, as the console report says all the robot must.
void AppendErrorLine(int number, int line);

#endif
