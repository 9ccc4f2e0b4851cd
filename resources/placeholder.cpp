// Dialog templates.
namespace vx {}
