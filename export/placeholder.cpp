// Filled in as the export commands are built.
namespace vx {}
