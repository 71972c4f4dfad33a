// The syntax analyser: checks the lexeme list against the script grammar and translates it
// into POLIZ in one recursive-descent pass with an operator-priority stack.
#ifndef MOD_LANG_SYN_H
#define MOD_LANG_SYN_H

#include <vector>

#include "lang/lex.h"
#include "lang/exec.h"
#include "lang/run.h"
#include "lang/sem.h"
#include "ui/onerror.h"

// Deepest nesting of statements, expressions and unary operators that the analyser follows;
// deeper scripts fail with a syntax error instead of exhausting the machine stack.
constexpr int kMaxNesting = 1000;  // levels

// True when the lexeme may start an operand: ":=", labels, strings and keywords may not.
bool IsCorrectExpress(Lexeme* lex);

// The value of a decimal literal, clamped to the largest int (literals carry no sign).
int IntConstValue(const char* text);

// The syntax analyser and POLIZ generator of one compilation.
class CSyntax {
public:
    // What an identifier turned out to be.
    enum type { t_var = 0, t_var_array = 1, t_not_var = 2 };

    // `lines`, when given, is the analyser that made the list: the program's elements then
    // carry the editor line of their statement, else the line the lexemes count.
    CSyntax(Lexeme* first, CRun* run, const CLexic* lines = nullptr);
    ~CSyntax();
    CSyntax(const CSyntax&) = delete;
    CSyntax& operator=(const CSyntax&) = delete;

    // Translates the whole script; true when no syntax error was reported.
    bool MakeAnalysis();
    bool GetPassed() const { return passed; }

    // Lexeme cursor.
    void SetToBeginLex();
    void NextLex();
    void BackLex();
    bool Comp(const char* text) const;

    // Operator stack.
    void Push(const char* text);
    void Push(char op);
    bool IsO1HigherO2(char top, char incoming) const;
    void AddOperPOLIZ(char op, bool consume);
    void StackToPOLIZ();
    PolizElem* AddToPOLIZ(char op);

    // Emission helpers.
    void AddLabelPOLIZ(char* name);
    void AddVarPOLIZ(char* name, type t);

    void ShowError(const char* message);

private:
    // Raised when the nesting limit is crossed; unlike the message texts it is not caught
    // by the recovery points, so it ends the analysis with a single report.
    struct TooDeep {};
    // Raised when a lexeme is wanted past the last one. The recovery points report it as
    // "lexems are over. "; a block turns it into its own report of a missing "}".
    struct LexemesOver {};
    // Counts one level of nesting for as long as it lives.
    class NestingLevel {
    public:
        explicit NestingLevel(int& counter);
        ~NestingLevel() { --depth; }
        NestingLevel(const NestingLevel&) = delete;
        NestingLevel& operator=(const NestingLevel&) = delete;

    private:
        int& depth;
    };
    // Makes `line` the line of the statement being parsed for as long as it lives, and puts
    // back that of the statement around it after.
    class StatementLine {
    public:
        StatementLine(int& line, int statement);
        ~StatementLine() { current = outer; }
        StatementLine(const StatementLine&) = delete;
        StatementLine& operator=(const StatementLine&) = delete;

    private:
        int& current;
        int outer;
    };

    void sx_Program();
    void sx_Statement();
    void sx_Statement_Indetifier();
    void sx_Statement_IfElse();
    void sx_Statement_IfElse_Else(char* label_else);
    void sx_Statement_Cycle();
    void sx_Statement_Goto();
    void sx_Statement_Robot();
    void sx_Statement_Robot_Print();
    void sx_Statement_Robot_Trade(const char* missed_comma);
    void sx_Expression();
    void sx_Expression_And();
    void sx_Expression_Or();
    void sx_Expression_Bool();
    void sx_Expression_Term();
    void sx_Expression_Primary();
    type sx_Identifier(bool silent);
    void sx_RobotData();

    // Runs one or-chain of an expression, reporting any error raised inside it.
    void OrChainRecovering();
    char PopEntry();
    char* NewLabel(const char* format);
    void Emit(PolizElem* elem);
    void Trace(const char* text);
    char CurrentFirst() const { return current->s[0]; }
    char NextFirst() const { return next->s[0]; }

    CError Error;
    CRun* exe;
    const CLexic* lines;
    int statement_line;  // of the statement being parsed; what its elements carry
    std::vector<char> stack;  // pending operators and "(" marks
    Lexeme* begin;
    Lexeme* prev;
    Lexeme* current;
    Lexeme* next;
    bool passed;
    unsigned int ifelse;
    int depth;
};

#endif
