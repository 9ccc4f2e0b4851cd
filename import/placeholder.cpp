// Filled in as the import commands are built.
namespace vx {}
