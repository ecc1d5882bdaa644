//===- demo_command.cpp - vyx demo: a sample graph through a file ---------===//
//
// The demo builds the sample scene, clones it through a memory pstream,
// writes scene and clone to a file pstream, records the file in a settings
// file, finds it again through a redirection file and reads both scenes
// back, checking every value and every shared pointer on the way.
//
//===----------------------------------------------------------------------===//

#include "demo_command.h"

#include "config/initialization_file.h"
#include "demo_objects.h"
#include "io/file_system.h"
#include "io/native_path.h"
#include "pstreams/file_pstream.h"
#include "resources/redirection.h"

#include <memory>
#include <ostream>
#include <stdexcept>

namespace vyx::tool {

const CommandInfo DemoCommand = {
    "demo", "vyx demo [DIR]",
    "Builds a sample object graph (a scene with collections, strings, points,\n"
    "rectangles and shared pointers), clones it through a memory pstream,\n"
    "writes scene and clone to DIR/demo.vyx as a file pstream, notes the file in\n"
    "DIR/demo.ini, finds it again through a redirection of *.vyx to DIR, reads it\n"
    "back and checks it. DIR defaults to vyx_demo in the temporary folder and is\n"
    "created when missing.\n"};

namespace {

const char *const DataName = "demo.vyx";
const char *const SettingsName = "demo.ini";
/// Objects of one scene: the scene, its shape list, six shapes, the tags.
constexpr long ObjectsPerScene = 9;

struct StreamableDeleter {
  void operator()(GStreamable *p) const { GStreamable::Destroy(p); }
};
using ScenePtr = std::unique_ptr<VyxDemoScene, StreamableDeleter>;

/// The name as the operating system spells it, for messages.
std::string nativeOf(const GFile &name) {
  std::string native;
  return vyx::NativePath(name.c_str(), native) ? native : std::string(name.c_str());
}

void check(bool sound, const std::string &what) {
  if (!sound)
    throw std::runtime_error(what);
}

void expectSame(const VyxDemoScene &a, const VyxDemoScene *b, const char *what) {
  check(b != nullptr, std::string(what) + ": no scene");
  std::string difference = DifferenceOf(a, *b);
  check(difference.empty(), std::string(what) + " differs in its " + difference);
}

long sharedLinks(const VyxDemoScene &scene) {
  long links = 0;
  for (long i = 0; i < scene.Shapes->getCount(); ++i)
    links += scene.Shapes->at(i)->Link != nullptr;
  return links;
}

/// Installs a redirection for as long as it lives.
class InstalledRedirection {
public:
  explicit InstalledRedirection(RedirectionFile *file) { fpbase::SetRedirectionFile(file); }
  ~InstalledRedirection() { fpbase::SetRedirectionFile(static_cast<RedirectionFile *>(nullptr)); }
};

int runDemo(const GFile &folder, std::ostream &out) {
  ScenePtr scene(MakeDemoScene());
  out << "vyx demo: scene \"" << scene->Title.c_str() << "\" with " << scene->Shapes->getCount()
      << " shapes, " << sharedLinks(*scene) << " links between them, focus on \""
      << scene->Focus->Name.c_str() << "\", " << scene->Tags.getCount() << " tags\n";

  ScenePtr clone(vyx::rtti_cast<VyxDemoScene>(scene->clone()));
  expectSame(*scene, clone.get(), "the memory-pstream clone");
  check(clone->Focus != scene->Focus, "the clone shares objects with the scene");
  out << "  cloned through a memory pstream: identical, no object shared\n";

  GFile data = GFile(folder).add_name(DataName);
  uint32_t bytes = 0;
  {
    ofpstream file(data.c_str(), fpbase::trunc);
    check(file.is_open(), "cannot create " + nativeOf(data));
    VyxDemoScene *first = scene.get(), *second = clone.get();
    file << first << second;
    bytes = file.countOfWrittenBytes();
    file.close();
    check(file.good(), "writing " + nativeOf(data) + " failed");
  }
  out << "  wrote " << nativeOf(data) << ": 2 scenes, " << 2 * ObjectsPerScene << " objects, "
      << bytes << " bytes\n";

  GFile settingsName = GFile(folder).add_name(SettingsName);
  {
    GInitializationFile settings(settingsName.c_str());
    settings.setValue("Demo", "file", DataName);
    settings.setValue("Demo", "bytes", static_cast<long>(bytes));
    settings.setValue("Demo", "objects", 2 * ObjectsPerScene);
    check(settings.update(), "cannot write " + nativeOf(settingsName));
  }
  GString noted;
  GInitializationFile settings(settingsName.c_str());
  check(settings.getValue("Demo", "file", noted), "the settings lost the file name");
  out << "  noted in " << nativeOf(settingsName) << ": [Demo] file=" << noted.c_str() << "\n";

  auto *redirection = new RedirectionFile;
  redirection->load_from_string(("*.vyx = " + std::string(folder.c_str())).c_str(), 0);
  InstalledRedirection installed(redirection);
  GString found = fpbase::RedirectedName(noted.c_str(), 1);
  ifpstream file(found.c_str(), fpbase::nocreate);
  check(file.is_open(), "cannot open " + nativeOf(GFile(found)));
  VyxDemoScene *first = nullptr, *second = nullptr;
  file >> first;
  ScenePtr firstOwned(first);
  file >> second;
  ScenePtr secondOwned(second);
  expectSame(*scene, first, "the first scene read back");
  expectSame(*scene, second, "the second scene read back");
  check(first->Focus != second->Focus, "the scenes read back share objects");
  file.readByte();
  check(file.eof() && file.countOfReadBytes() == bytes, "the file holds more than was written");
  out << "  read back through the redirection *.vyx -> " << nativeOf(folder)
      << ": both scenes identical to the original\n"
      << "look inside: vyx dump " << nativeOf(data) << "\n";
  return ExitOk;
}

} // namespace

int RunDemo(const Arguments &args, std::ostream &out, std::ostream &err) {
  if (WantsHelp(args))
    return PrintHelp(out, DemoCommand);
  std::string dir;
  for (const std::string &arg : args) {
    if (!arg.empty() && arg[0] == '-')
      return UsageError(err, DemoCommand, "unknown option " + arg);
    if (!dir.empty())
      return UsageError(err, DemoCommand, "one folder only");
    dir = arg;
  }
  LoadLibraryMessages();
  GFile folder =
      dir.empty() ? FileSystem::GetTemporaryDirectory().add_name("vyx_demo") : GFile(dir.c_str());
  if (!folder.isDirectory() && !FileSystem::CreateDirectoryA(folder))
    return Failure(err, DemoCommand, "cannot create the folder " + nativeOf(folder));
  try {
    return runDemo(folder, out);
  } catch (...) {
    return Failure(err, DemoCommand, MessageOf(std::current_exception()));
  }
}

} // namespace vyx::tool
