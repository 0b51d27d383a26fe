namespace tess::companion {}
