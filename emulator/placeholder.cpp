// PLACEHOLDER: replaced when this subsystem is built.
namespace kestrav {}
