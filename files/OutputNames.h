// Where a picture, the coordinates or any other file a user names for a
// run's results may not go: over the input file, over one of the files the
// runs keep beside it or in the folder named for them (the four result
// files, the record of which run wrote them and its lock), into a folder,
// through a symbolic link. Names are compared as files, not as text:
// "./iris.csv", "../data/iris.csv", a hard link and a symbolic link to the
// input are all the input.
#pragma once

#include <string>

// Why `name` cannot take a result of the run on `input` whose result files
// go to the folder `results` (empty: beside the input), or empty. A name is
// checked as it is given, before an extension is added to it.
std::string OutputNameProblem(const std::string& name, const std::string& input,
                              const std::string& results = {});

// Whether two names are one file, whether it exists yet or not.
bool SameFile(const std::string& a, const std::string& b);
