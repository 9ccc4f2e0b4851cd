// Filled in as the panel commands are built.
namespace vx {}
