// Shared helpers for the tests.
namespace vx {}
