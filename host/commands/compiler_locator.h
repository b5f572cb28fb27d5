// Finds the installation folder of the outside compiler.
#pragma once
#include <string>
#include <vector>

// The compiler program below its installation folder (Linux programs carry no suffix).
inline constexpr const char* kCompilerProgram = "Compilers/pbcompiler";

struct CompilerSearch {
  std::string home_variable;                // the value of $QUORLIN_COMPILER_HOME
  std::string path_variable;                // the value of $PATH
  std::vector<std::string> fixed_folders;   // tried last, in order
};

// The places a normal run looks at: the variable, PATH, then ~/purebasic/, /opt/purebasic/ and
// /usr/local/purebasic/.
CompilerSearch DefaultCompilerSearch();

// The first candidate folder under which kCompilerProgram exists as a non-empty file, with a
// trailing '/', in this order: the variable; the folder above the program named like
// kCompilerProgram's file part found on PATH (symbolic links followed); the fixed folders. "" when
// none qualifies (the compiler counts as not installed).
std::string LocateCompilerHome(const CompilerSearch& search);
std::string LocateCompilerHome();
