// A project document named on the command line: read at start, handed to the page once it is ready.
#pragma once
#include <optional>
#include <string>

#include "host_ui.h"

struct CliProject {
  std::string source_path;
  std::string name;       // the file name without ".qui"
  std::string document;   // the bytes as read
};

// Reads the file when it is a project document (extension ".qui" in any case). nullopt for any other
// argument; *error is set when the argument was meant as a project but cannot be used.
std::optional<CliProject> ReadCommandLineProject(const std::string& argument, std::string* error);

// Copies the document into the projects folder under its name (asking before replacing a different
// document of that name; "No" keeps it and takes the next free name), makes it the current project
// and hands it to the page. Returns the name used, "" when nothing was delivered.
std::string DeliverCommandLineProject(const CliProject& project, HostUi& ui);

// The script that hands the document to the page.
std::string CliProjectScript(const std::string& name, const std::string& document);
